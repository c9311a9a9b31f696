#include "WaylandClipboardReader.h"

#include "WaylandClipboardOwner.h"
#include "WaylandConnection.h"
#include "clipboard/SecretContent.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {
// Names that describe the transfer, not content (XWayland passes some on).
bool is_protocol_name(const QString& name) {
    return !name.contains(QLatin1Char('/')) && name != QLatin1String(SecretContent::hint_format());
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};
} // namespace

WaylandClipboardReader::WaylandClipboardReader(WaylandConnection& wayland,
                                               WaylandClipboardOwner& owner,
                                               std::function<int()> abort_fd, qint64 max_bytes)
    : m_wayland(wayland), m_owner(owner), m_abort_fd(std::move(abort_fd)), m_max_bytes(max_bytes) {}

ClipboardReader::Offer WaylandClipboardReader::offer() {
    Offer result;
    m_offered.clear();
    m_offer = nullptr;
    m_capture_deadline = Clock::now() + capture_timeout;
    m_budget = m_max_bytes;
    m_wayland.dispatch_pending();
    if (m_owner.serving()) {
        result.error = QStringLiteral("a paste took the clipboard back before it was read");
        return result;
    }
    result.ok = true;
    m_offer = m_owner.current_offer();
    if (!m_offer)
        return result;
    Offered listed = offered(m_owner.current_formats());
    result.formats = std::move(listed.formats);
    m_offered = std::move(listed.read_as);
    return result;
}

// Text comes under several names; the first one listed here that is offered is read.
const QStringList& WaylandClipboardReader::text_formats() {
    static const QStringList names = {
        QStringLiteral("text/plain;charset=utf-8"),
        QStringLiteral("UTF8_STRING"),
        QStringLiteral("text/plain"),
        QStringLiteral("TEXT"),
        QStringLiteral("STRING"),
    };
    return names;
}

WaylandClipboardReader::Offered WaylandClipboardReader::offered(const QStringList& listed) {
    Offered result;
    for (const QString& text : text_formats()) {
        if (listed.contains(text)) {
            result.read_as.insert(QStringLiteral("text/plain"), text);
            result.formats.append(QStringLiteral("text/plain"));
            break;
        }
    }
    for (const QString& name : listed) {
        if (text_formats().contains(name) || name.startsWith(QLatin1String("text/plain;")) ||
            is_protocol_name(name) || result.read_as.contains(name))
            continue;
        result.read_as.insert(name, name);
        result.formats.append(name);
    }
    return result;
}

ClipboardReader::Data WaylandClipboardReader::fetch(const QString& format) {
    Data result;
    const QString listed = m_offered.value(format);
    auto* offer = m_owner.current_offer();
    if (listed.isEmpty() || !offer) {
        result.error = QStringLiteral("%1 is not offered").arg(format);
        return result;
    }
    if (offer != m_offer) {
        result.error = QStringLiteral("the clipboard changed while it was read");
        return result;
    }
    const Clock::time_point deadline = std::min(Clock::now() + request_timeout, m_capture_deadline);
    if (Clock::now() >= deadline) {
        result.error = QStringLiteral("the capture's %1 ms were over").arg(capture_timeout.count());
        return result;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        result.error =
            QStringLiteral("no pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return result;
    }
    FdCloser read_end{fds[0]};
    zwlr_data_control_offer_v1_receive(offer, listed.toUtf8().constData(), fds[1]);
    m_wayland.flush();
    ::close(fds[1]);

    wl_display* display = m_wayland.display();
    const int abort_fd = m_abort_fd ? m_abort_fd() : -1;
    char chunk[65536];
    QByteArray bytes; // handed out only when complete
    for (;;) {
        // A broken connection drops our request: the pipe would seem to end with nothing.
        if (wl_display_get_error(display) != 0) {
            result.error = QStringLiteral("the connection to the compositor broke");
            return result;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            result.error = QStringLiteral("the owner did not answer in time");
            return result;
        }
        // Our own events go on meanwhile: we may be the one asked to write.
        pollfd fds_polled[3] = {{read_end.fd, POLLIN, 0},
                                {wl_display_get_fd(display), POLLIN, 0},
                                {abort_fd, POLLIN, 0}};
        const int n = poll(fds_polled, abort_fd >= 0 ? 3 : 2, static_cast<int>(left.count()));
        if (n < 0 && errno != EINTR) {
            result.error = QStringLiteral("waiting failed: %1")
                               .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return result;
        }
        if (abort_fd >= 0 && (fds_polled[2].revents & POLLIN)) {
            result.error = QStringLiteral("given up: the program is ending");
            return result;
        }
        if (fds_polled[1].revents & POLLIN) {
            m_wayland.dispatch_pending();
            if (m_owner.current_offer() != offer) {
                result.error = QStringLiteral("the clipboard changed while it was read");
                return result;
            }
        }
        if (!(fds_polled[0].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        const ssize_t got = ::read(read_end.fd, chunk, sizeof chunk);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (got < 0) {
            result.error = QStringLiteral("reading failed: %1")
                               .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return result;
        }
        if (got == 0)
            break;
        if (got > m_budget) {
            result.error = QStringLiteral("more than the capture's %1 bytes").arg(m_max_bytes);
            return result;
        }
        m_budget -= got;
        bytes.append(chunk, static_cast<int>(got));
    }
    result.bytes = listed == QLatin1String("STRING") ? QString::fromLatin1(bytes).toUtf8() : bytes;
    result.ok = true;
    return result;
}
