#include "X11TaskbarButton.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>
#include <QtDebug>

X11TaskbarButton::X11TaskbarButton(QString desktop_file)
    : m_app_uri(QStringLiteral("application://") + desktop_file) {}

void X11TaskbarButton::set_progress_visible(bool visible) {
    m_visible = visible;
    send();
}

void X11TaskbarButton::set_progress_value(int percent) {
    m_value = qBound(0, percent, 100);
    send();
}

void X11TaskbarButton::set_paused(bool paused) {
    m_paused = paused;
    send();
}

void X11TaskbarButton::send() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (!m_no_bus_logged)
            qDebug().noquote() << "No session bus: the task bar state is kept but not shown";
        m_no_bus_logged = true;
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/com/canonical/unity/launcherentry/corvana"),
        QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    // The launcher entry has no paused colour (and "urgent" would make docks flash): the paused
    // state is kept for whoever asks, and shown by the window icon instead.
    QVariantMap properties;
    properties.insert(QStringLiteral("progress"), m_value / 100.0);
    properties.insert(QStringLiteral("progress-visible"), m_visible);
    signal << m_app_uri << properties;
    if (!bus.send(signal))
        qDebug().noquote() << "Launcher entry update not sent:" << bus.lastError().message();
}
