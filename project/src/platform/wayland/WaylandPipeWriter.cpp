#include "WaylandPipeWriter.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

WaylandPipeWriter::WaylandPipeWriter(int fd, QByteArray bytes, QObject* parent)
    : QObject(parent), m_fd(fd), m_bytes(std::move(bytes)) {
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_limit.setSingleShot(true);
    connect(&m_limit, &QTimer::timeout, this, [this] { finish(false); });
}

void WaylandPipeWriter::start() {
    m_limit.start(time_limit_ms);
    write_some();
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &WaylandPipeWriter::write_some);
    }
}

WaylandPipeWriter::~WaylandPipeWriter() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void WaylandPipeWriter::write_some() {
    while (m_fd >= 0 && m_written < m_bytes.size()) {
        const ssize_t n = ::write(m_fd, m_bytes.constData() + m_written,
                                  static_cast<size_t>(m_bytes.size() - m_written));
        if (n > 0) {
            m_written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return; // the notifier calls again
        } else {
            finish(false); // the reader closed its end
            return;
        }
    }
    if (m_fd >= 0)
        finish(true);
}

void WaylandPipeWriter::finish(bool complete) {
    if (m_fd < 0)
        return;
    if (m_notifier)
        m_notifier->setEnabled(false);
    ::close(m_fd);
    m_fd = -1;
    m_limit.stop();
    emit finished(complete);
    deleteLater();
}
