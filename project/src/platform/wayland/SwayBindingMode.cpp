#include "SwayBindingMode.h"

#include <QJsonArray>
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

bool SwayBindingMode::enter(QString* error) {
    QByteArray reply;
    if (!run(QByteArray("mode ") + mode_name, &reply, error))
        return false;
    const QJsonArray results = QJsonDocument::fromJson(reply).array();
    if (!results.isEmpty() && results.first().toObject().value(QStringLiteral("success")).toBool())
        return true;
    *error = QStringLiteral("sway has no \"%1\" mode (include docs/wayland/sway.conf): %2")
                 .arg(QLatin1String(mode_name), QString::fromUtf8(reply.left(200)));
    return false;
}

void SwayBindingMode::leave() {
    QByteArray reply;
    QString error;
    run("mode default", &reply, &error);
}

bool SwayBindingMode::defined() {
    constexpr quint32 get_binding_modes = 8;
    QByteArray reply;
    QString error;
    if (!run(QByteArray(), &reply, &error, get_binding_modes))
        return false;
    return QJsonDocument::fromJson(reply).array().contains(QLatin1String(mode_name));
}

bool SwayBindingMode::run(const QByteArray& command, QByteArray* reply, QString* error,
                          quint32 type) {
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
        *error = QStringLiteral("sway's socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
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
