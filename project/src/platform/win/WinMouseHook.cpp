#include "WinMouseHook.h"

#include "WinMessageWindow.h"

#include <windows.h>

namespace {
WinMouseHook* g_mouse_hook = nullptr;
constexpr UINT deliver_message = WM_APP + 3;

LRESULT CALLBACK hook_procedure(int code, WPARAM wparam, LPARAM lparam) {
    return WinMouseHook::procedure(code, wparam, lparam);
}
} // namespace

WinMouseHook::WinMouseHook() {
    m_window = std::make_unique<WinMessageWindow>(
        QStringLiteral("Corvana pointer"), false,
        [this](unsigned message, quintptr, qintptr, qintptr* result) {
            if (message != deliver_message)
                return false;
            deliver();
            *result = 0;
            return true;
        });
}

WinMouseHook::~WinMouseHook() {
    uninstall();
}

bool WinMouseHook::install(Callback callback, QString* error) {
    m_callback = std::move(callback);
    if (m_hook)
        return true;
    if (g_mouse_hook) {
        if (error)
            *error = QStringLiteral("another mouse hook runs in this process");
        return false;
    }
    // On the GUI thread: the procedure is entered from the event loop, which Qt keeps turning.
    m_hook = SetWindowsHookExW(WH_MOUSE_LL, hook_procedure, GetModuleHandleW(nullptr), 0);
    if (!m_hook) {
        if (error)
            *error =
                QStringLiteral("SetWindowsHookExW refused the mouse hook (%1)").arg(GetLastError());
        return false;
    }
    g_mouse_hook = this;
    return true;
}

void WinMouseHook::uninstall() {
    if (!m_hook)
        return;
    UnhookWindowsHookEx(static_cast<HHOOK>(m_hook));
    m_hook = nullptr;
    g_mouse_hook = nullptr;
    m_events.clear();
}

qintptr WinMouseHook::procedure(int code, quintptr wparam, qintptr lparam) {
    WinMouseHook* self = g_mouse_hook;
    if (code != HC_ACTION || !self)
        return CallNextHookEx(nullptr, code, wparam, lparam);
    const auto* info = reinterpret_cast<const MSLLHOOKSTRUCT*>(lparam);
    Event event;
    event.position = QPoint(info->pt.x, info->pt.y);
    switch (wparam) {
    case WM_MOUSEMOVE:
        event.kind = Event::Kind::Move;
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        event.kind = Event::Kind::Press;
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        event.kind = Event::Kind::Release;
        break;
    default: // the wheel
        return CallNextHookEx(nullptr, code, wparam, lparam);
    }
    switch (wparam) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        event.button = 1;
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        event.button = 2;
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        event.button = 3;
        break;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONUP:
        event.button = HIWORD(info->mouseData) == XBUTTON1 ? 8 : 9;
        break;
    default:
        break;
    }
    if (event.kind == Event::Kind::Move && !self->m_events.empty() &&
        self->m_events.back().kind == Event::Kind::Move)
        self->m_events.back() = event;
    else
        self->m_events.push_back(event);
    if (!self->m_posted && self->m_window && self->m_window->handle()) {
        self->m_posted =
            PostMessageW(static_cast<HWND>(self->m_window->handle()), deliver_message, 0, 0);
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void WinMouseHook::deliver() {
    m_posted = false;
    while (!m_events.empty() && m_hook) {
        const Event event = m_events.front();
        m_events.pop_front();
        if (m_callback)
            m_callback(event);
    }
}
