#pragma once

#include "platform/MouseHook.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class WinMessageWindow;

// The low-level mouse hook, on a thread of its own like the keyboard's: a GUI thread that is
// busy never slows the pointer down (Windows would drop the hook). Its procedure only records
// the event and posts; the callback runs from the GUI thread's event loop. Moves waiting
// together are given as the latest one.
class WinMouseHook : public MouseHook {
public:
    WinMouseHook();
    ~WinMouseHook() override;

    bool install(Callback callback, QString* error) override;
    void uninstall() override;
    bool installed() const override { return m_thread.joinable(); }

    // The hook procedure's way in, on the hook thread.
    static qintptr procedure(int code, quintptr wparam, qintptr lparam);

private:
    void run();
    void record(const Event& event);
    void deliver();

    Callback m_callback;
    std::unique_ptr<WinMessageWindow> m_window; // on the GUI thread, for deliveries
    std::thread m_thread;
    unsigned long m_thread_id = 0;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Event> m_events;
    bool m_posted = false;
    bool m_started = false; // the thread has tried to install the hook
    QString m_start_error;
};
