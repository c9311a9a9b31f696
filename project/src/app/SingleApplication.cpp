#include "app/SingleApplication.h"

#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <cstdio>
#include <cstdlib>

namespace {
// How long a second start waits for the first one to answer; the first may itself still be
// starting (a double click on a launcher starts two within milliseconds).
constexpr int answer_wait_ms = 10000;

bool connects(const QString& name, int wait_ms) {
    QLocalSocket socket;
    socket.connectToServer(name, QIODevice::ReadWrite);
    if (!socket.waitForConnected(wait_ms))
        return false;
    // The connection itself is the message: the running instance shows itself.
    socket.close();
    return true;
}
} // namespace

SingleApplication::SingleApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Kept in the user's runtime folder: a name shared by every user of the machine would let
    // one user's instance make another user's start exit.
    const QString runtime_dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QString plain_name = server_name(organizationName(), applicationName());
    const QString name =
        runtime_dir.isEmpty() ? plain_name : runtime_dir + QLatin1Char('/') + plain_name;

    m_lock = new QLockFile(name + QStringLiteral(".lock"));
    switch (claim(m_lock, name, answer_wait_ms)) {
    case Claim::Running:
        std::exit(0);
    case Claim::Unanswered:
        std::fprintf(stderr, "Corvana is already running but does not answer; not starting.\n");
        std::exit(1);
    case Claim::First:
        break;
    }

    // Only the lock's holder serves the name, so a socket left there is a crashed one's.
    m_local_server = new QLocalServer(this);
    QLocalServer::removeServer(name);
    m_local_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_local_server->listen(name))
        std::fprintf(stderr, "Cannot listen on %s: %s\n", qPrintable(name),
                     qPrintable(m_local_server->errorString()));
    connect(m_local_server, &QLocalServer::newConnection, this,
            &SingleApplication::slotConnectionEstablished);
}

SingleApplication::~SingleApplication() {
    if (m_local_server)
        m_local_server->close();
    delete m_lock; // unlocks
}

SingleApplication::Claim SingleApplication::claim(QLockFile* lock, const QString& name,
                                                  int wait_ms) {
    // Never stale by age: a long-running instance keeps its claim. A crashed one's lock is
    // taken over once its process is gone.
    lock->setStaleLockTime(0);
    QDeadlineTimer deadline(wait_ms);
    while (true) {
        if (lock->tryLock(0))
            return Claim::First;
        if (connects(name, 100))
            return Claim::Running;
        if (deadline.hasExpired())
            return Claim::Unanswered;
        QThread::msleep(20);
    }
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
