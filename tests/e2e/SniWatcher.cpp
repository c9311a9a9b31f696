// A StatusNotifier watcher for the end-to-end tests, standing in for a desktop's (KDE's, or
// GNOME's AppIndicator extension): owns org.kde.StatusNotifierWatcher on the session bus,
// says a host is there, and prints one line per item that registers:
//   item BUS_NAME OBJECT_PATH
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <cstdio>

class SniWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ host_registered)
    Q_PROPERTY(int ProtocolVersion READ protocol_version)
public:
    QStringList items() const { return m_items; }
    bool host_registered() const { return true; }
    int protocol_version() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        // Either a bus name (the item then lives at /StatusNotifierItem) or an object path on
        // the caller's own connection.
        const bool is_path = service.startsWith(QLatin1Char('/'));
        const QString bus = is_path ? message().service() : service;
        const QString path = is_path ? service : QStringLiteral("/StatusNotifierItem");
        m_items << bus + path;
        std::printf("item %s %s\n", qPrintable(bus), qPrintable(path));
        std::fflush(stdout);
        emit StatusNotifierItemRegistered(bus + path);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    SniWatcher watcher;
    if (!bus.isConnected() ||
        !bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "cannot take org.kde.StatusNotifierWatcher: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("watcher ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "SniWatcher.moc"
