#include "WinMouseHook.h"

#include "WinMessageWindow.h"

#include <windows.h>

namespace {
// The hook procedure has no context argument; there is one hook per process.
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
    if (installed())
        return true;
    if (g_mouse_hook) {
        if (error)
            *error = QStringLiteral("another mouse hook runs in this process");
        return false;
    }
    g_mouse_hook = this;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_started = false;
        m_start_error.clear();
    }
    m_thread = std::thread([this] { run(); });
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_started; });
    if (!m_start_error.isEmpty()) {
        if (error)
            *error = m_start_error;
        lock.unlock();
        m_thread.join();
        g_mouse_hook = nullptr;
        return false;
    }
    return true;
}

void WinMouseHook::uninstall() {
    if (!m_thread.joinable())
        return;
    PostThreadMessageW(m_thread_id, WM_QUIT, 0, 0);
    m_thread.join();
    g_mouse_hook = nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
    m_posted = false;
}

void WinMouseHook::run() {
    MSG message;
    // The thread's queue exists before anyone posts to it.
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    m_thread_id = GetCurrentThreadId();
    HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, hook_procedure, GetModuleHandleW(nullptr), 0);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!hook)
            m_start_error =
                QStringLiteral("SetWindowsHookExW refused the mouse hook (%1)").arg(GetLastError());
        m_started = true;
    }
    m_changed.notify_all();
    if (!hook)
        return;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    UnhookWindowsHookEx(hook);
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
    self->record(event);
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void WinMouseHook::record(const Event& event) {
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (event.kind == Event::Kind::Move && !m_events.empty() &&
            m_events.back().kind == Event::Kind::Move)
            m_events.back() = event;
        else
            m_events.push_back(event);
        post = !m_posted;
        m_posted = true;
    }
    if (post && !(m_window && m_window->handle() &&
                  PostMessageW(static_cast<HWND>(m_window->handle()), deliver_message, 0, 0))) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted = false;
    }
}

void WinMouseHook::deliver() {
    while (installed()) {
        Event event;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_events.empty()) {
                m_posted = false;
                return;
            }
            event = m_events.front();
            m_events.pop_front();
        }
        // A copy: the callback may install another.
        const Callback callback = m_callback;
        if (callback)
            callback(event);
    }
}
