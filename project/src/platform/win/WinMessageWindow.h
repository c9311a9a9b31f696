#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

// A hidden window of our own on the thread that makes it, for the messages the desktop sends to
// a window rather than to Qt (clipboard, hotkeys, the end of the session). Message-only unless
// top_level: only top-level windows hear that the session ends or that a program asks us to
// close.
class WinMessageWindow {
public:
    // Returns true when it handled the message, with *result its answer.
    using Handler =
        std::function<bool(unsigned message, quintptr wparam, qintptr lparam, qintptr* result)>;

    WinMessageWindow(const QString& title, bool top_level, Handler handler);
    ~WinMessageWindow();
    WinMessageWindow(const WinMessageWindow&) = delete;
    WinMessageWindow& operator=(const WinMessageWindow&) = delete;

    void* handle() const { return m_window; } // an HWND; null when it could not be made

    // The window procedure's way in.
    static qintptr dispatch(void* window, unsigned message, quintptr wparam, qintptr lparam);

private:
    void* m_window = nullptr;
    Handler m_handler;
};
