#include "WinActiveWindow.h"

#include <windows.h>

quint64 WinActiveWindow::current() {
    return quint64(reinterpret_cast<quintptr>(GetForegroundWindow()));
}

bool WinActiveWindow::activate(quint64 id, QString* error) {
    HWND window = reinterpret_cast<HWND>(quintptr(id));
    if (!window || !IsWindow(window)) {
        if (error)
            *error = QStringLiteral("the window is gone");
        return false;
    }
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    if (!SetForegroundWindow(window)) {
        const DWORD ours = GetCurrentThreadId();
        const DWORD theirs = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
        const bool joined = theirs != 0 && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
        BringWindowToTop(window);
        SetForegroundWindow(window);
        if (joined)
            AttachThreadInput(ours, theirs, FALSE);
    }
    if (GetForegroundWindow() != window) {
        if (error)
            *error = QStringLiteral("Windows kept another window in front");
        return false;
    }
    return true;
}

void WinActiveWindow::join_foreground_input() {
    release_foreground_input();
    const DWORD ours = GetCurrentThreadId();
    const DWORD theirs = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    // Joined, the popup's SetForegroundWindow and SetFocus work on the input the keys go to.
    if (theirs != 0 && theirs != ours && AttachThreadInput(ours, theirs, TRUE))
        m_joined_thread = theirs;
}

void WinActiveWindow::release_foreground_input() {
    if (m_joined_thread == 0)
        return;
    AttachThreadInput(GetCurrentThreadId(), m_joined_thread, FALSE);
    m_joined_thread = 0;
}
