#include "X11TerminationSignals.h"

#include <QSocketNotifier>
#include <QtDebug>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int handled_signals[3] = {SIGTERM, SIGINT, SIGHUP};

volatile std::sig_atomic_t write_socket = -1;

} // namespace

X11TerminationSignals::X11TerminationSignals(std::function<void()> handler)
    : m_handler(std::move(handler)) {
    // Non-blocking: the handler must never block, even with a full socket.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, m_sockets) != 0) {
        qWarning("Termination signals not handled: socketpair failed: %s", std::strerror(errno));
        return;
    }
    write_socket = m_sockets[0];

    m_notifier = std::make_unique<QSocketNotifier>(m_sockets[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { on_readable(); });

    struct sigaction action = {};
    action.sa_handler = &X11TerminationSignals::on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        if (::sigaction(handled_signals[i], &action, &m_previous[i]) != 0)
            qWarning("Cannot handle signal %d: %s", handled_signals[i], std::strerror(errno));
    }
    m_installed = true;
}

X11TerminationSignals::~X11TerminationSignals() {
    if (m_installed) {
        for (int i = 0; i < 3; ++i)
            ::sigaction(handled_signals[i], &m_previous[i], nullptr);
    }
    write_socket = -1;
    m_notifier.reset();
    for (int socket : m_sockets) {
        if (socket >= 0)
            ::close(socket);
    }
}

void X11TerminationSignals::set_handler(std::function<void()> handler) {
    m_handler = std::move(handler);
}

void X11TerminationSignals::on_signal(int signal_number) {
    const int saved_errno = errno;
    const int socket = write_socket;
    if (socket >= 0) {
        const char byte = char(signal_number);
        [[maybe_unused]] const ssize_t written = ::write(socket, &byte, 1);
    }
    errno = saved_errno;
}

void X11TerminationSignals::on_readable() {
    char buffer[16];
    bool received = false;
    while (true) {
        const ssize_t count = ::read(m_sockets[1], buffer, sizeof(buffer));
        if (count <= 0)
            break;
        received = true;
    }
    if (received && m_handler)
        m_handler();
}
