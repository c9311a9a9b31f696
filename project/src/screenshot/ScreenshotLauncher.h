#pragma once

#include <QObject>

struct AppSettings;
struct ToolState;
class Notifier;
class ScreenCapture;

// Opens the screenshot window when the feature is on, and remembers where a screenshot went.
class ScreenshotLauncher : public QObject {
    Q_OBJECT
public:
    ScreenshotLauncher(const AppSettings& settings, ToolState& tools, Notifier& notifier,
                       ScreenCapture& capture);

    void take();
    // Shows the folder the last screenshot went to (the desktop when none went anywhere yet).
    static void open_folder(const QString& folder);

signals:
    // A saved picture's name, for the autocomplete store and the notification.
    void saved(const QString& name);

private:
    const AppSettings& m_settings;
    ToolState& m_tools;
    Notifier& m_notifier;
    ScreenCapture& m_capture;
};
