#include "tray/TrayNotifier.h"

#include "platform/Platform.h"
#include "platform/SystemInfo.h"
#include "tray/TrayIcon.h"

#include <QDebug>

void TrayNotifier::show_tray_message(const QString& title, const QString& text) {
    qDebug().noquote() << "Tray message:" << title << "-" << text;
    TrayIcon::notify(m_tray, title, text);
}

void TrayNotifier::show_notification(const QString& title, const QString& text) {
    TrayIcon::notify(Platform::instance().system_info().is_modern_desktop() ? nullptr : m_tray,
                     title, text);
}
