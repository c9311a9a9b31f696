#pragma once

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <bitset>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// The low-level keyboard hook, on a thread of its own so that a busy GUI thread never slows the
// desktop's keyboard down (Windows drops a hook that answers too slowly). The hook procedure only
// records the press and wakes the GUI thread; a Ctrl+V alone waits, bounded, until the GUI thread
// has reported it (and put the next entry on the clipboard) before the focused program sees it.
// Windows removes a hook it found too slow without a word: the same thread also reads the
// keyboard's raw input, and a Ctrl or V that came that way but never through the hook has the
// hook installed again at once.
class WinKeyboardHook {
public:
    // Whatever the GUI thread does, a paste it has not taken up goes on after this long.
    static constexpr qint64 unclaimed_ms = 100;
    // Never longer than this: well inside the time after which Windows skips a hook.
    static constexpr qint64 hard_cap_ms = 250;

    struct Press {
        int key = 0;
        int flags = 0;
        quint32 serial = 0;
        bool held = false;     // a paste key the hook procedure waits on
        qint64 time_ms = 0;    // monotonic, when the hook saw it
        std::bitset<256> down; // every key down as of this press
    };

    // wake is called on the hook thread after a press was queued; it must only post.
    explicit WinKeyboardHook(std::function<void()> wake);
    ~WinKeyboardHook();
    WinKeyboardHook(const WinKeyboardHook&) = delete;
    WinKeyboardHook& operator=(const WinKeyboardHook&) = delete;

    bool start(QString* error);
    void stop();
    bool running() const { return m_thread.joinable(); }
    // The installed hook (an HHOOK), for tests that remove it behind our back.
    void* handle() const { return m_hook.load(); }
    // Installs the hook again, as every minute.
    void reinstall();
    void set_print_swallowed(bool on);

    // GUI thread: the oldest queued press, if any, left in the queue.
    bool peek(Press* press);
    void pop();
    // A held press: taken up (false: it went on already and must not be reported), its report
    // begins (false: likewise), its report is over.
    bool claim(quint32 serial);
    bool begin_report(quint32 serial);
    void finish(quint32 serial);

    // The hook procedure's way in, on the hook thread.
    static qintptr procedure(int code, quintptr wparam, qintptr lparam);

private:
    enum class Held { None, Waiting, Claimed, Reporting, Done, Released };

    void run();
    qintptr on_key(int code, quintptr wparam, qintptr lparam);
    void wait_for_report(quint32 serial);
    bool install();
    void on_raw_input(qintptr handle);

    std::function<void()> m_wake;
    std::thread m_thread;
    unsigned long m_thread_id = 0;
    std::atomic<void*> m_hook{nullptr};

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Press> m_presses;
    quint32 m_serial = 0;
    quint32 m_held_serial = 0;
    Held m_held = Held::None;
    bool m_print_swallowed = false;
    bool m_started = false; // the thread has tried to install the hook
    QString m_start_error;
    // Hook thread only: the keys as the events say, and with the generic modifiers added.
    std::bitset<256> m_raw_down;
    std::bitset<256> m_down;
    // Hook thread only: when the hook saw the Ctrl and V presses raw input has not matched yet.
    std::deque<qint64> m_unmatched;
    bool m_ctrl_from_raw = false; // Ctrl is down in m_raw_down because raw input said so
};
