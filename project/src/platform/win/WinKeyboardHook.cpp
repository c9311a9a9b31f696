#include "WinKeyboardHook.h"

#include "WinInputInjector.h"
#include "WinMessageWindow.h"
#include "platform/VirtualKeys.h"

#include <QtDebug>

#include <chrono>

#include <windows.h>

namespace {
// The hook procedure has no context argument; there is one hook per process.
WinKeyboardHook* g_hook = nullptr;
constexpr UINT reinstall_message = WM_APP + 1;
// Windows removes a hook it found too slow too often without telling: installed again now
// and then, it keeps working.
constexpr UINT refresh_interval_ms = 60 * 1000;
// A hook call is over before raw input reports its key; seen this long ago, it had no report.
constexpr qint64 unmatched_ms = 1000;
// Bounds what the hook saw of keys raw input does not report.
constexpr size_t unmatched_kept = 16;

qint64 now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

LRESULT CALLBACK hook_procedure(int code, WPARAM wparam, LPARAM lparam);
} // namespace

WinKeyboardHook::WinKeyboardHook(std::function<void()> wake) : m_wake(std::move(wake)) {}

WinKeyboardHook::~WinKeyboardHook() {
    stop();
}

bool WinKeyboardHook::start(QString* error) {
    if (running())
        return true;
    if (g_hook && g_hook != this) {
        *error = QStringLiteral("another keyboard hook runs in this process");
        return false;
    }
    g_hook = this;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_started = false;
        m_start_error.clear();
    }
    m_thread = std::thread([this] { run(); });
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_started; });
    if (!m_start_error.isEmpty()) {
        *error = m_start_error;
        lock.unlock();
        m_thread.join();
        g_hook = nullptr;
        return false;
    }
    return true;
}

void WinKeyboardHook::stop() {
    if (!m_thread.joinable())
        return;
    PostThreadMessageW(m_thread_id, WM_QUIT, 0, 0);
    {
        // A press waiting on the GUI thread (the caller) goes on now.
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_held == Held::Waiting || m_held == Held::Claimed)
            m_held = Held::Released;
        m_presses.clear();
    }
    m_changed.notify_all();
    m_thread.join();
    g_hook = nullptr;
}

void WinKeyboardHook::reinstall() {
    if (running())
        PostThreadMessageW(m_thread_id, reinstall_message, 0, 0);
}

void WinKeyboardHook::set_print_swallowed(bool on) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_print_swallowed = on;
}

// The new hook goes in before the old one comes out, so no key passes between them; when it
// cannot be had, the old one is kept.
bool WinKeyboardHook::install() {
    HHOOK fresh = SetWindowsHookExW(WH_KEYBOARD_LL, hook_procedure, GetModuleHandleW(nullptr), 0);
    if (!fresh)
        return false;
    if (void* old = m_hook.exchange(fresh))
        UnhookWindowsHookEx(static_cast<HHOOK>(old));
    return true;
}

void WinKeyboardHook::run() {
    MSG message;
    // The thread's queue exists before anyone posts to it.
    PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    m_thread_id = GetCurrentThreadId();
    const bool installed = install();
    const DWORD install_error = installed ? 0 : GetLastError();
    // Raw input reaches this thread's window after the hook has been called for the same key.
    WinMessageWindow raw_window(QStringLiteral("Corvana raw keyboard"), false,
                                [this](unsigned message, quintptr, qintptr lparam, qintptr*) {
                                    if (message == WM_INPUT)
                                        on_raw_input(lparam);
                                    return false; // Windows frees the input
                                });
    RAWINPUTDEVICE keyboard = {1, 6, RIDEV_INPUTSINK, static_cast<HWND>(raw_window.handle())};
    const bool raw =
        installed && raw_window.handle() && RegisterRawInputDevices(&keyboard, 1, sizeof(keyboard));
    if (installed && !raw)
        qWarning("Keyboard: no raw input to check the hook by (%lu); it is only renewed every "
                 "minute",
                 GetLastError());
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!installed)
            m_start_error = QStringLiteral("SetWindowsHookExW failed (%1)").arg(install_error);
        m_started = true;
    }
    m_changed.notify_all();
    if (!installed)
        return;
    const UINT_PTR timer = SetTimer(nullptr, 0, refresh_interval_ms, nullptr);
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == reinstall_message ||
            (message.message == WM_TIMER && message.wParam == timer)) {
            if (!install())
                qWarning("Keyboard: the hook could not be installed again (%lu)", GetLastError());
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    KillTimer(nullptr, timer);
    if (raw) {
        keyboard.dwFlags = RIDEV_REMOVE;
        keyboard.hwndTarget = nullptr;
        RegisterRawInputDevices(&keyboard, 1, sizeof(keyboard));
    }
    if (void* hook = m_hook.exchange(nullptr))
        UnhookWindowsHookEx(static_cast<HHOOK>(hook));
}

void WinKeyboardHook::on_raw_input(qintptr handle) {
    RAWINPUT input;
    UINT size = sizeof(input);
    if (GetRawInputData(reinterpret_cast<HRAWINPUT>(handle), RID_INPUT, &input, &size,
                        sizeof(RAWINPUTHEADER)) == UINT(-1) ||
        input.header.dwType != RIM_TYPEKEYBOARD)
        return;
    const int key = input.data.keyboard.VKey;
    const bool down = !(input.data.keyboard.Flags & RI_KEY_BREAK);
    if (key != VK_CONTROL && key != VirtualKeys::V)
        return;
    // A Ctrl the hook missed counts as down (below) until raw input sees it go up.
    if (!down) {
        if (key == VK_CONTROL && m_ctrl_from_raw)
            m_raw_down.reset(VK_CONTROL);
        m_ctrl_from_raw = m_ctrl_from_raw && key != VK_CONTROL;
        return;
    }
    // What the hook saw long ago had no raw report of its own (another hook may have eaten it).
    const qint64 now = now_ms();
    while (!m_unmatched.empty() && now - m_unmatched.front() > unmatched_ms)
        m_unmatched.pop_front();
    if (!m_unmatched.empty()) {
        m_unmatched.pop_front();
        return;
    }
    qWarning("Keyboard: the hook did not see key 0x%x; Windows removed it, installing it again",
             key);
    m_raw_down.set(size_t(key));
    m_ctrl_from_raw = m_ctrl_from_raw || key == VK_CONTROL;
    if (!install())
        qWarning("Keyboard: the hook could not be installed again (%lu)", GetLastError());
}

namespace {
LRESULT CALLBACK hook_procedure(int code, WPARAM wparam, LPARAM lparam) {
    return g_hook ? g_hook->procedure(code, wparam, lparam)
                  : CallNextHookEx(nullptr, code, wparam, lparam);
}
} // namespace

qintptr WinKeyboardHook::procedure(int code, quintptr wparam, qintptr lparam) {
    return g_hook->on_key(code, wparam, lparam);
}

qintptr WinKeyboardHook::on_key(int code, quintptr wparam, qintptr lparam) {
    if (code != HC_ACTION)
        return CallNextHookEx(nullptr, code, wparam, lparam);
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lparam);
    const bool down = wparam == WM_KEYDOWN || wparam == WM_SYSKEYDOWN;
    const int key = int(event->vkCode & 0xff);
    m_raw_down.set(size_t(key), down);
    m_down = m_raw_down;
    // A generic modifier is down while it or its left or right key is (programs send either).
    m_down.set(VK_CONTROL, m_raw_down.test(VK_CONTROL) || m_raw_down.test(VK_LCONTROL) ||
                               m_raw_down.test(VK_RCONTROL));
    m_down.set(VK_SHIFT, m_raw_down.test(VK_SHIFT) || m_raw_down.test(VK_LSHIFT) ||
                             m_raw_down.test(VK_RSHIFT));
    m_down.set(VK_MENU,
               m_raw_down.test(VK_MENU) || m_raw_down.test(VK_LMENU) || m_raw_down.test(VK_RMENU));
    if (!down)
        return CallNextHookEx(nullptr, code, wparam, lparam);
    if (key == VirtualKeys::V || key == VK_CONTROL || key == VK_LCONTROL || key == VK_RCONTROL) {
        if (m_unmatched.size() == unmatched_kept)
            m_unmatched.pop_front();
        m_unmatched.push_back(now_ms());
    }

    Press press;
    press.key = key;
    press.flags = int(event->flags);
    press.time_ms = now_ms();
    press.down = m_down;
    // Our own paste is not held: we put the entry on the clipboard before, and SendInput may
    // wait for this hook, so holding it would stall until the cap. It is reported like any key,
    // later, from the event loop. Another program's (an on-screen keyboard, a macro tool) is
    // held like a typed one.
    const bool ours =
        (event->flags & LLKHF_INJECTED) && event->dwExtraInfo == WinInputInjector::extra_info;
    press.held =
        key == VirtualKeys::V && m_down.test(VK_CONTROL) && !m_down.test(VK_SHIFT) && !ours;
    bool swallow = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        press.serial = ++m_serial;
        if (press.held) {
            m_held_serial = press.serial;
            m_held = Held::Waiting;
        }
        m_presses.push_back(press);
        swallow = key == VK_SNAPSHOT && m_print_swallowed;
    }
    m_wake();
    if (press.held)
        wait_for_report(press.serial);
    if (swallow)
        return 1;
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

void WinKeyboardHook::wait_for_report(quint32 serial) {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_until(lock, start + milliseconds(unclaimed_ms),
                         [&] { return m_held_serial != serial || m_held != Held::Waiting; });
    if (m_held_serial == serial && m_held != Held::Waiting)
        m_changed.wait_until(lock, start + milliseconds(hard_cap_ms), [&] {
            return m_held_serial != serial || m_held == Held::Done || m_held == Held::Released;
        });
    if (m_held_serial == serial && m_held != Held::Done) {
        m_held = Held::Released;
        // Slow enough that Windows may count it against the hook: install it again once this
        // call has returned.
        if (duration_cast<milliseconds>(steady_clock::now() - start).count() >= hard_cap_ms)
            PostThreadMessageW(m_thread_id, reinstall_message, 0, 0);
    }
}

bool WinKeyboardHook::peek(Press* press) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_presses.empty())
        return false;
    *press = m_presses.front();
    return true;
}

void WinKeyboardHook::pop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_presses.empty())
        m_presses.pop_front();
}

bool WinKeyboardHook::claim(quint32 serial) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_held_serial != serial || m_held == Held::Released)
        return false;
    if (m_held == Held::Waiting) {
        m_held = Held::Claimed;
        m_changed.notify_all();
    }
    return true;
}

bool WinKeyboardHook::begin_report(quint32 serial) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_held_serial != serial || m_held == Held::Released)
        return false;
    m_held = Held::Reporting;
    return true;
}

void WinKeyboardHook::finish(quint32 serial) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_held_serial != serial || m_held != Held::Reporting)
            return;
        m_held = Held::Done;
    }
    m_changed.notify_all();
}
