#pragma once

#include "common/Notifier.h"

class SystemInfo;
class TrayIcon;

// Tells the user through the tray icon, or through a message box until there is one.
class TrayNotifier : public Notifier {
public:
    explicit TrayNotifier(SystemInfo& system) : m_system(system) {}

    void set_tray(TrayIcon* tray) { m_tray = tray; }

    void show_tray_message(const QString& title, const QString& text) override;
    void show_notification(const QString& title, const QString& text) override;

private:
    SystemInfo& m_system;
    TrayIcon* m_tray = nullptr;
};
