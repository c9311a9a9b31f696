#include "X11KeyboardWatchdog.h"

#include <QtDebug>

X11KeyboardWatchdog::X11KeyboardWatchdog(xcb_connection_t* connection)
    : m_connection(connection), m_thread([this] { run(); }) {}

X11KeyboardWatchdog::~X11KeyboardWatchdog() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_one();
    m_thread.join();
}

void X11KeyboardWatchdog::set_waiting(bool waiting) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting = waiting;
        m_next_release = std::chrono::steady_clock::now() + patience;
    }
    m_changed.notify_one();
}

void X11KeyboardWatchdog::run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    bool warned = false;
    while (!m_stop) {
        if (!m_waiting) {
            warned = false;
            m_changed.wait(lock, [this] { return m_stop || m_waiting; });
            continue;
        }
        const auto release_at = m_next_release;
        if (m_changed.wait_until(lock, release_at, [&] {
                return m_stop || !m_waiting || m_next_release != release_at;
            }))
            continue;
        // Still waiting on the other program: let a frozen press reach the focused one.
        m_next_release = std::chrono::steady_clock::now() + patience;
        lock.unlock();
        xcb_allow_events(m_connection, XCB_ALLOW_REPLAY_KEYBOARD, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
        if (!warned)
            qWarning("Keyboard: waiting on another program for over %d ms; held keys go on",
                     int(patience.count()));
        warned = true;
        lock.lock();
    }
}
