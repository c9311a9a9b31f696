#include "tray/TrayNotifier.h"

#include "platform/SystemInfo.h"
#include "tray/TrayIcon.h"

void TrayNotifier::show_tray_message(const QString& title, const QString& text) {
    TrayIcon::show_message(m_tray, title, text);
}

void TrayNotifier::show_notification(const QString& title, const QString& text) {
    TrayIcon::notify(m_system.is_modern_desktop() ? nullptr : m_tray, title, text);
}
