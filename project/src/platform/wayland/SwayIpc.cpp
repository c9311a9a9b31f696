#include "SwayIpc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr int answer_timeout_ms = 1000;
constexpr char magic[] = "i3-ipc";
constexpr int header_size = 6 + 4 + 4;
constexpr quint32 max_reply = 64 * 1024;

// Waits for fd to be ready for events, at most until deadline; false when it was not.
bool wait(int fd, short events, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int n = poll(&p, 1, static_cast<int>(left));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}
} // namespace

bool SwayIpc::config_mentions(const QByteArray& text) {
    constexpr quint32 get_config = 9;
    QByteArray reply;
    QString error;
    if (!request(get_config, QByteArray(), &reply, &error))
        return false;
    const QString config =
        QJsonDocument::fromJson(reply).object().value(QStringLiteral("config")).toString();
    if (config.toUtf8().contains(text))
        return true;
    // Snippets come in through include lines (one level deep, with wildcards).
    const QStringList lines = config.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(QLatin1String("include ")))
            continue;
        QString pattern = trimmed.mid(8).trimmed();
        if (pattern.startsWith(QLatin1String("~/")))
            pattern = QDir::homePath() + pattern.mid(1);
        const QFileInfo info(pattern);
        const QStringList files = info.dir().entryList({info.fileName()}, QDir::Files);
        for (const QString& name : files) {
            QFile file(info.dir().filePath(name));
            if (file.size() < 1024 * 1024 && file.open(QIODevice::ReadOnly) &&
                file.readAll().contains(text))
                return true;
        }
    }
    return false;
}

bool SwayIpc::request(quint32 type, const QByteArray& command, QByteArray* reply, QString* error) {
    const QByteArray path = m_socket_path.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof address.sun_path) {
        *error = QStringLiteral("no usable sway socket");
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        *error =
            QStringLiteral("sway's socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(answer_timeout_ms);
    QByteArray message(magic, 6);
    const quint32 length = static_cast<quint32>(command.size());
    message.append(reinterpret_cast<const char*>(&length), 4);
    message.append(reinterpret_cast<const char*>(&type), 4);
    message.append(command);
    qint64 sent = 0;
    while (sent < message.size() && wait(fd, POLLOUT, deadline)) {
        const ssize_t n = ::send(fd, message.constData() + sent,
                                 static_cast<size_t>(message.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        sent += std::max<ssize_t>(n, 0);
    }
    QByteArray received;
    quint32 expected = header_size;
    bool header_read = false;
    while (sent == message.size() && static_cast<quint32>(received.size()) < expected &&
           wait(fd, POLLIN, deadline)) {
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            break;
        if (n > 0)
            received.append(chunk, static_cast<int>(n));
        if (!header_read && received.size() >= header_size) {
            quint32 payload = 0;
            std::memcpy(&payload, received.constData() + 6, 4);
            if (payload > max_reply)
                break;
            expected = header_size + payload;
            header_read = true;
        }
    }
    ::close(fd);
    if (!header_read || static_cast<quint32>(received.size()) < expected) {
        *error = QStringLiteral("sway did not answer in %1 ms").arg(answer_timeout_ms);
        return false;
    }
    *reply = received.mid(header_size, static_cast<int>(expected - header_size));
    return true;
}
