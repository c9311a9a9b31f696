#pragma once

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP turned into a call on the GUI thread: the signal handler only
// writes a byte to a socket that the event loop watches.
class X11TerminationSignals {
public:
    explicit X11TerminationSignals(std::function<void()> handler);
    ~X11TerminationSignals();
    X11TerminationSignals(const X11TerminationSignals&) = delete;
    X11TerminationSignals& operator=(const X11TerminationSignals&) = delete;

    void set_handler(std::function<void()> handler);
    // Readable while a signal is waiting to be handled: a blocking wait elsewhere watches it to
    // give up at once instead of holding up the end.
    int pending_fd() const { return m_sockets[1]; }

private:
    static void on_signal(int signal_number);
    void on_readable();

    int m_sockets[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_handler;
    struct sigaction m_previous[3] = {};
    bool m_installed = false;
};
