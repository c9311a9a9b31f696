#include "app/InstanceChannel.h"

#include "app/CommandLine.h"
#include "common/AppLog.h"
#include "platform/PeerCredentials.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QTimer>
#include <memory>

struct InstanceChannel::Pending {
    QByteArray line;
    bool done = false;
};

InstanceChannel::InstanceChannel(QObject* parent)
    : QObject(parent), m_peer_check(&PeerCredentials::same_user) {}

bool InstanceChannel::is_known(const QByteArray& command) {
    return command == "show" || CommandLine::actions().contains(QString::fromLatin1(command));
}

QString InstanceChannel::printable(const QByteArray& bytes) {
    constexpr int shown = 40;
    QString text;
    for (const char c : bytes.left(shown)) {
        const auto byte = uchar(c);
        if (byte >= 0x20 && byte < 0x7f && c != '\\' && c != '"')
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    if (bytes.size() > shown)
        text += QStringLiteral("...");
    return text;
}

void InstanceChannel::take(QLocalSocket* connection) {
    QString why;
    if (m_open >= max_connections)
        why = QStringLiteral("%1 connections are open already").arg(max_connections);
    else if (!m_peer_check(connection->socketDescriptor(), &why) && why.isEmpty())
        why = QStringLiteral("not this user's");
    if (!why.isEmpty()) {
        APP_LOG(QStringLiteral("Single-instance channel: a connection refused: ") + why);
        connection->abort();
        connection->deleteLater();
        return;
    }
    ++m_open;
    connect(connection, &QObject::destroyed, this, [this] { --m_open; });
    // Never more than a line is kept, whatever a client sends.
    connection->setReadBufferSize(max_line + 1);
    auto pending = std::make_shared<Pending>();
    auto* limit = new QTimer(connection);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, connection, [connection, pending] {
        pending->done = true;
        APP_LOG(QStringLiteral("Single-instance channel: no command line within %1 ms (\"%2\"); "
                               "connection closed")
                    .arg(read_limit_ms)
                    .arg(printable(pending->line)));
        connection->abort();
    });
    limit->start(read_limit_ms);
    connect(connection, &QLocalSocket::readyRead, this,
            [this, connection, pending] { read(connection, *pending); });
    const auto closed = [this, connection, pending] {
        if (!pending->done) {
            pending->done = true;
            if (pending->line.isEmpty()) {
                // An older start, or one without a command: show ourselves.
                APP_LOG(QStringLiteral("Single-instance channel: a start asks us to show up"));
                emit show_up();
            } else {
                APP_LOG(QStringLiteral("Single-instance channel: \"%1\" ended without a line "
                                       "break; ignored")
                            .arg(printable(pending->line)));
            }
        }
        connection->deleteLater();
    };
    connect(connection, &QLocalSocket::disconnected, this, closed);
    read(connection, *pending);
    if (!pending->done && connection->state() == QLocalSocket::UnconnectedState)
        closed();
}

void InstanceChannel::read(QLocalSocket* connection, Pending& pending) {
    while (!pending.done && connection->bytesAvailable() > 0) {
        pending.line += connection->read(max_line + 1 - pending.line.size());
        const int end = pending.line.indexOf('\n');
        if (end >= 0) {
            answer(connection, pending, pending.line.left(end));
            return;
        }
        if (pending.line.size() > max_line) {
            pending.done = true;
            APP_LOG(QStringLiteral("Single-instance channel: a line longer than %1 bytes "
                                   "refused (\"%2\")")
                        .arg(max_line)
                        .arg(printable(pending.line)));
            connection->write("error: line too long\n");
            connection->disconnectFromServer();
            return;
        }
    }
}

void InstanceChannel::answer(QLocalSocket* connection, Pending& pending, const QByteArray& line) {
    pending.done = true;
    QByteArray command = line;
    if (command.endsWith('\r'))
        command.chop(1);
    if (!is_known(command)) {
        APP_LOG(QStringLiteral("Single-instance channel: unknown command \"%1\" refused")
                    .arg(printable(command)));
        connection->write("error: unknown command\n");
        connection->disconnectFromServer();
        return;
    }
    // Answered before it is done: "quit" ends the event loop that would send the answer.
    connection->write("ok\n");
    connection->flush();
    connection->disconnectFromServer();
    emit command_received(QString::fromLatin1(command));
}

InstanceChannel::Reply InstanceChannel::ask(const QString& name, const QByteArray& command,
                                            int connect_ms, int answer_ms, QByteArray* answer) {
    answer->clear();
    QLocalSocket socket;
    socket.connectToServer(name, QIODevice::ReadWrite);
    if (!socket.waitForConnected(connect_ms))
        return Reply::NotRunning;
    if (command.isEmpty()) {
        socket.close();
        return Reply::Answered;
    }
    socket.write(command + '\n');
    const QDeadlineTimer deadline(answer_ms);
    socket.waitForBytesWritten(answer_ms);
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState &&
           !deadline.hasExpired())
        socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    if (!socket.canReadLine())
        return Reply::NoAnswer;
    *answer = socket.readLine(max_line).trimmed();
    return Reply::Answered;
}
