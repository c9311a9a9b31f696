#pragma once

#include "platform/MouseHook.h"

#include <deque>
#include <memory>

class WinMessageWindow;

// The low-level mouse hook. Its procedure only records the event and posts; the callback runs
// from the event loop, so a slow callback never delays the pointer (Windows would drop the
// hook). Moves waiting together are given as the latest one.
class WinMouseHook : public MouseHook {
public:
    WinMouseHook();
    ~WinMouseHook() override;

    bool install(Callback callback, QString* error) override;
    void uninstall() override;
    bool installed() const override { return m_hook != nullptr; }

    // The hook procedure's way in.
    static qintptr procedure(int code, quintptr wparam, qintptr lparam);

private:
    void deliver();

    void* m_hook = nullptr;
    Callback m_callback;
    std::unique_ptr<WinMessageWindow> m_window;
    std::deque<Event> m_events;
    bool m_posted = false;
};
