#include "WinTermination.h"

#include "WinMessageWindow.h"

#include <QtDebug>

#include <windows.h>

namespace {
WinTermination* g_termination = nullptr;
HWND g_window = nullptr;
constexpr UINT console_message = WM_APP + 4;

BOOL WINAPI console_handler(DWORD event) {
    return WinTermination::on_console_event(event) ? TRUE : FALSE;
}
} // namespace

WinTermination::WinTermination(std::function<void()> handler) : m_handler(std::move(handler)) {
    m_handled = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_window = std::make_unique<WinMessageWindow>(
        QStringLiteral("Corvana"), true,
        [this](unsigned message, quintptr wparam, qintptr, qintptr* result) {
            switch (message) {
            case WM_QUERYENDSESSION:
                *result = TRUE; // nothing to ask the user: the settings are saved on the way out
                return true;
            case WM_ENDSESSION:
                // The process may be ended as soon as this returns: save now.
                if (wparam)
                    handle();
                *result = 0;
                return true;
            case WM_CLOSE:
            case console_message:
                handle();
                *result = 0;
                return true;
            default:
                return false;
            }
        });
    g_window = static_cast<HWND>(m_window->handle());
    g_termination = this;
    SetConsoleCtrlHandler(console_handler, TRUE);
}

WinTermination::~WinTermination() {
    SetConsoleCtrlHandler(console_handler, FALSE);
    g_termination = nullptr;
    g_window = nullptr;
    m_window.reset();
    if (m_handled)
        CloseHandle(m_handled);
}

void WinTermination::set_handler(std::function<void()> handler) {
    m_handler = std::move(handler);
}

void WinTermination::handle() {
    if (!m_ran) {
        m_ran = true;
        qDebug("Termination requested");
        if (m_handler)
            m_handler();
    }
    SetEvent(m_handled);
}

int WinTermination::on_console_event(unsigned long event) {
    HWND window = g_window;
    if (!window || !g_termination)
        return 0;
    PostMessageW(window, console_message, 0, 0);
    // For a closing console, logoff or shutdown the process ends when this returns: give the
    // GUI thread the time to save (Windows allows a few seconds).
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(g_termination->m_handled, 4000);
    return 1;
}
