#pragma once

#include <functional>
#include <memory>

class WinMessageWindow;

// The ways Windows asks a program to end, turned into one call on the GUI thread: the session
// ends (WM_QUERYENDSESSION, WM_ENDSESSION), a program asks our hidden top-level window to close
// (taskkill without /f), or the console we were started from closes or is interrupted.
class WinTermination {
public:
    explicit WinTermination(std::function<void()> handler);
    ~WinTermination();
    WinTermination(const WinTermination&) = delete;
    WinTermination& operator=(const WinTermination&) = delete;

    void set_handler(std::function<void()> handler);

    // The console handler's way in (another thread).
    static int on_console_event(unsigned long event);

private:
    void handle();

    std::function<void()> m_handler;
    std::unique_ptr<WinMessageWindow> m_window;
    void* m_handled = nullptr; // an event: set once the handler has run
    bool m_ran = false;
};
