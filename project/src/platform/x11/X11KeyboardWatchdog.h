#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

// While the GUI thread waits on another program, a Ctrl+V press frozen by our grab cannot be
// reported. This thread lets such a press through once the wait has lasted too long, so the
// keyboard is never held hostage by a slow clipboard owner. It only ever calls AllowEvents on
// the shared, thread-safe xcb connection; with nothing frozen that does nothing.
class X11KeyboardWatchdog {
public:
    static constexpr std::chrono::milliseconds patience{150};

    explicit X11KeyboardWatchdog(xcb_connection_t* connection);
    ~X11KeyboardWatchdog();
    X11KeyboardWatchdog(const X11KeyboardWatchdog&) = delete;
    X11KeyboardWatchdog& operator=(const X11KeyboardWatchdog&) = delete;

    void set_waiting(bool waiting);

private:
    void run();

    xcb_connection_t* m_connection;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_waiting = false;
    bool m_stop = false;
    std::chrono::steady_clock::time_point m_next_release;
    std::thread m_thread;
};
