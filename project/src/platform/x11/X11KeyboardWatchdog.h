#pragma once

#include "platform/FrozenPresses.h"

#include <xcb/xcb.h>

#include <atomic>
#include <bitset>
#include <chrono>
#include <mutex>
#include <thread>

// Keeps a frozen Ctrl+V from waiting on a busy GUI thread, whatever keeps it busy (a slow
// clipboard owner, a large image being saved, files being copied). A thread of its own hears
// every paste key press on a connection of its own (XInput2 raw events come even while the
// keyboard is frozen on that press) and lets the press through on Qt's connection, keyed to the
// press's time, when the GUI thread has not taken it up in time (FrozenPresses). While it holds
// a press the GUI thread beats from a short timer, which stops when its event loop stops; it asks
// claim() and begin_report() before reporting a press.
class X11KeyboardWatchdog {
public:
    // grab_connection: the connection that holds the grabs (Qt's).
    explicit X11KeyboardWatchdog(xcb_connection_t* grab_connection);
    ~X11KeyboardWatchdog();
    X11KeyboardWatchdog(const X11KeyboardWatchdog&) = delete;
    X11KeyboardWatchdog& operator=(const X11KeyboardWatchdog&) = delete;

    bool running() const { return m_connection != nullptr; }
    void set_paste_keycodes(const std::bitset<256>& keycodes);

    // From the GUI thread's event loop, while it holds a press.
    void beat();
    bool claim(xcb_timestamp_t time);
    bool begin_report(xcb_timestamp_t time);
    bool released(xcb_timestamp_t time);
    void finished(xcb_timestamp_t time);

    // Released by us so far, for the log and tests.
    int released_count() const { return m_released; }

private:
    void run();
    bool connect_raw_events();
    void release_due();
    static qint64 now_ms();

    xcb_connection_t* m_grab_connection;
    xcb_connection_t* m_connection = nullptr;
    uint8_t m_xinput_opcode = 0;
    int m_wake[2] = {-1, -1};
    std::mutex m_mutex;
    FrozenPresses m_presses;
    std::bitset<256> m_paste_keycodes;
    std::atomic<qint64> m_gui_beat{0}; // when the GUI thread last beat
    std::atomic<int> m_released{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
