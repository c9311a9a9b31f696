#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QString>

#include <functional>

class App;
class QSettings;
class ShortcutsDialog;
struct AppSettings;

// The INI settings file: copies it into the settings once at start and back on every save, key
// by key as SettingsTable lists them, with the shortcut sequences and the indicator's place.
class SaveManager : public QObject {
    Q_OBJECT
public:
    static constexpr const char* save_version = "2";

    // Where the status indicator stands, read at save and set at load.
    struct Indicator {
        std::function<QPoint()> position;
        std::function<void(const QPoint&)> move;
    };

    SaveManager(App* app, AppSettings& settings, ShortcutsDialog& shortcuts, Indicator indicator);
    ~SaveManager() override;

    void load_settings();
    void save_settings();
    void reset_settings();

    App* app() const { return m_app; }

    QString file_path() const;
    // Whether the last read or write of the file worked.
    bool file_ok() const;

    static QList<int> parse_ignored_monitors(const QString& text);
    static QString format_ignored_monitors(const QList<int>& monitors);

private:
    void report_status(const char* what) const;

    App* m_app;
    AppSettings& m_fields;
    ShortcutsDialog& m_shortcuts;
    Indicator m_indicator;
    QSettings* m_settings;
};
