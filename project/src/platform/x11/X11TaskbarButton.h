#pragma once

#include "platform/TaskbarButton.h"

#include <QString>

// The launcher-entry signal (com.canonical.Unity.LauncherEntry) on the session bus, which docks
// and task bars of several desktops show as a progress bar on the launcher. Without a session
// bus the state is only kept. The paused colour has no equivalent there and is only kept.
class X11TaskbarButton : public TaskbarButton {
public:
    explicit X11TaskbarButton(QString desktop_file = QStringLiteral("corvana.desktop"));

    void set_progress_visible(bool visible) override;
    void set_progress_value(int percent) override;
    void set_paused(bool paused) override;

    bool progress_visible() const override { return m_visible; }
    int progress_value() const override { return m_value; }
    bool paused() const override { return m_paused; }

private:
    void send();

    QString m_app_uri;
    bool m_visible = false;
    int m_value = 0;
    bool m_paused = false;
    bool m_no_bus_logged = false;
};
