#include "PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QRandomGenerator>

const QString PortalRequest::service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalRequest::desktop_path = QStringLiteral("/org/freedesktop/portal/desktop");

PortalRequest::PortalRequest(const QDBusConnection& bus, int timeout_ms, QObject* parent)
    : QObject(parent), m_bus(bus) {
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(timeout_ms);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        finish(2, {},
               QStringLiteral("the desktop's portal did not answer within %1 s")
                   .arg(m_deadline.interval() / 1000.0));
    });
}

void PortalRequest::start(const QString& interface, const QString& method, QVariantList arguments,
                          QVariantMap options) {
    const QString token = PortalRequest::token();
    options.insert(QStringLiteral("handle_token"), token);
    // The handle the portal will use: our unique name without ':' and with '_' for '.'.
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    listen(desktop_path + QStringLiteral("/request/") + sender + QLatin1Char('/') + token);
    m_deadline.start();

    QDBusMessage call = QDBusMessage::createMethodCall(service, desktop_path, interface, method);
    arguments << options;
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_deadline.interval()), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError())
            finish(2, {},
                   QStringLiteral("the desktop's portal refused the call: ") +
                       reply.error().message());
        else if (reply.value().path() != m_path) // a portal older than handle tokens
            listen(reply.value().path());
    });
}

QString PortalRequest::token() {
    return QStringLiteral("corvana%1")
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

void PortalRequest::listen(const QString& path) {
    if (!m_path.isEmpty())
        m_bus.disconnect(service, m_path, QStringLiteral("org.freedesktop.portal.Request"),
                         QStringLiteral("Response"), this, SLOT(on_response(uint, QVariantMap)));
    m_path = path;
    if (!m_path.isEmpty())
        m_bus.connect(service, m_path, QStringLiteral("org.freedesktop.portal.Request"),
                      QStringLiteral("Response"), this, SLOT(on_response(uint, QVariantMap)));
}

void PortalRequest::on_response(uint response, const QVariantMap& results) {
    finish(response, results,
           response == 0   ? QString()
           : response == 1 ? QStringLiteral("the request was cancelled")
                           : QStringLiteral("the desktop's portal gave up on the request"));
}

void PortalRequest::finish(uint response, const QVariantMap& results, const QString& error) {
    if (m_done)
        return;
    m_done = true;
    m_deadline.stop();
    listen(QString()); // a late answer is no longer ours
    m_response = response;
    m_results = results;
    m_error = error;
    emit finished();
}

void PortalRequest::wait() {
    if (m_done)
        return;
    QEventLoop loop;
    connect(this, &PortalRequest::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

bool PortalRequest::offers(const QDBusConnection& bus, const QString& interface, int timeout_ms) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, desktop_path, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get.setArguments({interface, QStringLiteral("version")});
    return bus.isConnected() &&
           bus.call(get, QDBus::Block, timeout_ms).type() == QDBusMessage::ReplyMessage;
}
