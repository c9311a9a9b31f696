#include "app/SingleApplication.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cstdlib>

SingleApplication::SingleApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Kept in the user's runtime folder: a name shared by every user of the machine would let
    // one user's instance make another user's start exit.
    const QString runtime_dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString plain_name = server_name(organizationName(), applicationName());
    const QString name =
        runtime_dir.isEmpty() ? plain_name : runtime_dir + QLatin1Char('/') + plain_name;

    m_local_socket = new QLocalSocket(this);
    m_local_socket->connectToServer(name, QIODevice::ReadWrite);
    if (m_local_socket->waitForConnected(1000)) {
        // The connection itself is the message: the running instance shows itself.
        m_local_socket->close();
        std::exit(0);
    }

    m_local_server = new QLocalServer(this);
    QLocalServer::removeServer(name);
    m_local_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_local_server->listen(name);
    connect(m_local_server, &QLocalServer::newConnection, this,
            &SingleApplication::slotConnectionEstablished);
}

SingleApplication::~SingleApplication() {
    if (m_local_server)
        m_local_server->close();
}

QString SingleApplication::server_name(const QString& organization, const QString& application) {
    static const QRegularExpression not_allowed(QStringLiteral("[^\\w\\-. ]"));
    return QString(organization + application).remove(not_allowed);
}

void SingleApplication::slotConnectionEstablished() {
    QLocalSocket* connection = m_local_server->nextPendingConnection();
    if (connection)
        connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    emit show_up();
}
