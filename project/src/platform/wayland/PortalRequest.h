#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariantMap>

// One call of the desktop portal that answers later, with a Response signal on a request object
// of its own. The signal is listened for on the path our handle token gives before the call goes
// out, so no answer comes before we listen; a portal that never answers ends as an error after
// timeout_ms.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    static const QString service;
    static const QString desktop_path;

    PortalRequest(const QDBusConnection& bus, int timeout_ms, QObject* parent = nullptr);

    // Calls interface.method(arguments..., options), options carrying our handle token.
    void start(const QString& interface, const QString& method, QVariantList arguments,
               QVariantMap options);
    // Runs the event loop until the answer, or the time-out, has come (user input held back).
    void wait();

    bool done() const { return m_done; }
    // 0 on success, 1 when the user cancelled, 2 otherwise (the portal's numbers).
    uint response() const { return m_response; }
    const QVariantMap& results() const { return m_results; }
    // Empty on success; else why, in words for the log.
    QString error() const { return m_error; }

    // A fresh name for a request or session object, valid as an object path element.
    static QString token();
    // Whether the portal service offers interface, asked within timeout_ms.
    static bool offers(const QDBusConnection& bus, const QString& interface, int timeout_ms = 1000);

signals:
    void finished();

private slots:
    void on_response(uint response, const QVariantMap& results);

private:
    void listen(const QString& path);
    void finish(uint response, const QVariantMap& results, const QString& error);

    QDBusConnection m_bus;
    QTimer m_deadline;
    QString m_path;
    bool m_done = false;
    uint m_response = 2;
    QVariantMap m_results;
    QString m_error;
};
