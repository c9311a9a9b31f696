#include "app/SingleApplication.h"

#include "app/InstanceChannel.h"
#include "common/AppLog.h"
#include "common/PrivateFiles.h"
#include "platform/Platform.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
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
// A lock unanswered for this long, in a file at least this old, is checked for a live holder.
constexpr int stale_after_ms = 1000;
// How long a command waits for the running instance's answer once connected.
constexpr int command_answer_ms = 5000;
} // namespace

SingleApplication::SingleApplication(int& argc, char** argv, const QString& command)
    : QApplication(argc, argv) {
    QString error;
    const QString name = guard_name(&error);
    if (name.isEmpty()) {
        // Better a second instance than no clipboard tool at all.
        std::fprintf(stderr,
                     "No private folder for the single-instance guard (%s); starting "
                     "without it.\n",
                     qPrintable(error));
        return;
    }

    m_lock = new QLockFile(name + QStringLiteral(".lock"));
    QByteArray answer;
    switch (claim(m_lock, name, answer_wait_ms, command.toLatin1(), &answer)) {
    case Claim::Running:
        std::exit(exit_code(command, answer));
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
    m_channel = new InstanceChannel(this);
    connect(m_channel, &InstanceChannel::show_up, this, &SingleApplication::show_up);
    connect(m_channel, &InstanceChannel::command_received, this,
            &SingleApplication::command_received);
}

QString SingleApplication::guard_name(QString* error) {
    const QString dir =
        instance_dir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation), error);
    if (dir.isEmpty())
        return QString();
    return dir + QLatin1Char('/') +
           instance_name(organizationName(), applicationName(),
                         Platform::instance().session_name());
}

int SingleApplication::send_to_running(const QString& command) {
    QString error;
    const QString name = guard_name(&error);
    if (name.isEmpty()) {
        std::fprintf(stderr, "Corvana is not running (%s)\n", qPrintable(error));
        return 1;
    }
    QLockFile lock(name + QStringLiteral(".lock")); // taken only to look; released at once
    QByteArray answer;
    switch (claim(&lock, name, answer_wait_ms, command.toLatin1(), &answer)) {
    case Claim::First:
        std::fprintf(stderr, "Corvana is not running\n");
        return 1;
    case Claim::Unanswered:
        std::fprintf(stderr, "Corvana is running but does not answer\n");
        return 1;
    case Claim::Running:
        break;
    }
    return exit_code(command, answer);
}

int SingleApplication::exit_code(const QString& command, const QByteArray& answer) {
    if (command.isEmpty() || answer == "ok")
        return 0;
    if (answer.isEmpty())
        std::fprintf(stderr, "The running Corvana did not answer --%s\n", qPrintable(command));
    else
        std::fprintf(stderr, "The running Corvana refused --%s: %s\n", qPrintable(command),
                     answer.constData());
    return 1;
}

SingleApplication::~SingleApplication() {
    if (m_local_server)
        m_local_server->close();
    delete m_lock; // unlocks
}

SingleApplication::Claim SingleApplication::claim(QLockFile* lock, const QString& name, int wait_ms,
                                                  const QByteArray& command, QByteArray* answer) {
    // Never stale by age: a long-running instance keeps its claim. A crashed one's lock is
    // taken over once its process is gone.
    lock->setStaleLockTime(0);
    QDeadlineTimer deadline(wait_ms);
    QElapsedTimer held;
    held.start();
    while (true) {
        if (lock->tryLock(0))
            return Claim::First;
        Platform::instance().let_running_instance_take_foreground();
        QByteArray reply;
        if (InstanceChannel::ask(name, command, 100, command_answer_ms, &reply) !=
            InstanceChannel::Reply::NotRunning) {
            if (answer)
                *answer = reply;
            return Claim::Running;
        }
        // Qt attributes a lock by host name and process id only. Its holder also keeps a system
        // lock on the file, which ends with the holder's process: when nobody answered for a
        // while and the file is not one being written this moment, that decides.
        const QFileInfo file(name + QStringLiteral(".lock")); // where every caller keeps it
        if (held.elapsed() >= stale_after_ms && file.exists() &&
            file.lastModified().msecsTo(QDateTime::currentDateTime()) >= stale_after_ms &&
            lock->removeStaleLockFile())
            continue;
        if (deadline.hasExpired())
            return Claim::Unanswered;
        QThread::msleep(20);
    }
}

QString SingleApplication::instance_name(const QString& organization, const QString& application,
                                         const QString& session) {
    const QString plain = server_name(organization, application);
    if (session.isEmpty())
        return plain;
    // ":1" and "host:1" stay apart from "1" and "host1".
    return plain + QLatin1Char('-') + server_name(QString(), QString(session).replace(':', '_'));
}

QString SingleApplication::instance_dir(const QString& runtime_dir, QString* error) {
    // Qt checked the runtime folder already (ours, private); the others are checked here. Never
    // the current folder, and never a folder shared by every user.
    if (!runtime_dir.isEmpty())
        return runtime_dir;
    const QStringList candidates = {
        QDir::tempPath() + QStringLiteral("/corvana-%1").arg(PrivateFiles::current_user_id()),
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
            QStringLiteral("/corvana-instance")};
    QStringList errors;
    for (const QString& dir : candidates) {
        QString why;
        if (PrivateFiles::ensure_dir(dir, &why)) {
            // Every start of this user refuses the same squatted place and meets here.
            if (!errors.isEmpty())
                APP_LOG(QStringLiteral("Single-instance guard kept in %1 instead: %2")
                            .arg(dir, errors.join(QStringLiteral("; "))));
            return dir;
        }
        errors << why;
    }
    *error = errors.join(QStringLiteral("; "));
    return QString();
}

QString SingleApplication::server_name(const QString& organization, const QString& application) {
    static const QRegularExpression not_allowed(QStringLiteral("[^\\w\\-. ]"));
    return QString(organization + application).remove(not_allowed);
}

void SingleApplication::slotConnectionEstablished() {
    // Each connection says what it wants; one without a word asks us to show up.
    while (QLocalSocket* connection = m_local_server->nextPendingConnection())
        m_channel->take(connection);
}
