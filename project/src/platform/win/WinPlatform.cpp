#include "WinPlatform.h"

#include "WinActiveWindow.h"
#include "WinAutostart.h"
#include "WinClipboardOwner.h"
#include "WinClipboardReader.h"
#include "WinGlobalHotkeys.h"
#include "WinInputInjector.h"
#include "WinKeyState.h"
#include "WinKeyboard.h"
#include "WinMagnifier.h"
#include "WinMouseHook.h"
#include "WinScreenCapture.h"
#include "WinShellLinks.h"
#include "WinSystemInfo.h"
#include "WinTaskbarButton.h"
#include "WinTermination.h"
#include "WinWindowStyle.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtDebug>

#include <windows.h>

std::unique_ptr<Platform> create_platform() {
    return std::make_unique<WinPlatform>();
}

namespace {
QString folder_of(UINT (*get)(LPWSTR, UINT)) {
    wchar_t buffer[MAX_PATH] = {};
    const UINT length = get(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH
               ? QDir::fromNativeSeparators(QString::fromWCharArray(buffer))
               : QString();
}

// Started at login from the Run value, the program begins in the system's folder (the value
// cannot name another): its data then goes to the folder its launchers start it in.
void leave_system_folder() {
    const QString current = QDir::currentPath();
    const QString system = folder_of(GetSystemDirectoryW);
    const QString windows = folder_of(GetWindowsDirectoryW);
    if (current.compare(system, Qt::CaseInsensitive) != 0 &&
        current.compare(windows, Qt::CaseInsensitive) != 0)
        return;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty() || !QDir().mkpath(data) || !QDir::setCurrent(data))
        qWarning("WinPlatform: started in %s and cannot leave it", qPrintable(current));
}
} // namespace

WinPlatform::WinPlatform() {
    leave_system_folder();
}

WinPlatform::~WinPlatform() = default;

Keyboard* WinPlatform::create_keyboard(QObject* parent) {
    if (m_keyboard)
        qWarning("WinPlatform: a second keyboard while the first exists; only one hook runs");
    auto* keyboard = new WinKeyboard(m_paste_hold, parent);
    QObject::connect(&win_clipboard_owner(), &WinClipboardOwner::activity, keyboard,
                     &WinKeyboard::hold_changed);
    m_keyboard = keyboard;
    win_key_state().set_keyboard(keyboard);
    return keyboard;
}

KeyState& WinPlatform::key_state() {
    return win_key_state();
}

WinKeyState& WinPlatform::win_key_state() {
    if (!m_key_state) {
        m_key_state = std::make_unique<WinKeyState>();
        m_key_state->set_keyboard(m_keyboard);
    }
    return *m_key_state;
}

InputInjector& WinPlatform::input_injector() {
    if (!m_input_injector)
        m_input_injector = std::make_unique<WinInputInjector>();
    return *m_input_injector;
}

GlobalHotkeys& WinPlatform::global_hotkeys() {
    if (!m_global_hotkeys)
        m_global_hotkeys = std::make_unique<WinGlobalHotkeys>();
    return *m_global_hotkeys;
}

ActiveWindow& WinPlatform::active_window() {
    if (!m_active_window)
        m_active_window = std::make_unique<WinActiveWindow>();
    return *m_active_window;
}

WindowStyle& WinPlatform::window_style() {
    if (!m_window_style)
        m_window_style = std::make_unique<WinWindowStyle>();
    return *m_window_style;
}

TaskbarButton& WinPlatform::taskbar_button() {
    if (!m_taskbar_button)
        m_taskbar_button = std::make_unique<WinTaskbarButton>();
    return *m_taskbar_button;
}

SystemInfo& WinPlatform::system_info() {
    if (!m_system_info)
        m_system_info = std::make_unique<WinSystemInfo>();
    return *m_system_info;
}

Autostart& WinPlatform::autostart() {
    if (!m_autostart)
        m_autostart = std::make_unique<WinAutostart>();
    return *m_autostart;
}

ShellLinks& WinPlatform::shell_links() {
    if (!m_shell_links)
        m_shell_links = std::make_unique<WinShellLinks>();
    return *m_shell_links;
}

ClipboardOwner& WinPlatform::clipboard_owner() {
    return win_clipboard_owner();
}

WinClipboardOwner& WinPlatform::win_clipboard_owner() {
    if (!m_clipboard_owner)
        m_clipboard_owner = std::make_unique<WinClipboardOwner>(m_paste_hold);
    return *m_clipboard_owner;
}

ClipboardReader& WinPlatform::clipboard_reader() {
    if (!m_clipboard_reader)
        m_clipboard_reader = std::make_unique<WinClipboardReader>(
            [this] { return m_clipboard_owner && m_clipboard_owner->serving(); });
    return *m_clipboard_reader;
}

ScreenCapture& WinPlatform::screen_capture() {
    if (!m_screen_capture)
        m_screen_capture = std::make_unique<WinScreenCapture>();
    return *m_screen_capture;
}

MouseHook& WinPlatform::mouse_hook() {
    if (!m_mouse_hook)
        m_mouse_hook = std::make_unique<WinMouseHook>();
    return *m_mouse_hook;
}

Magnifier& WinPlatform::magnifier() {
    if (!m_magnifier)
        m_magnifier = std::make_unique<WinMagnifier>();
    return *m_magnifier;
}

void WinPlatform::on_termination_request(std::function<void()> handler) {
    if (m_termination)
        m_termination->set_handler(std::move(handler));
    else
        m_termination = std::make_unique<WinTermination>(std::move(handler));
}

void WinPlatform::let_running_instance_take_foreground() {
    // Which process that is, is not known here; the right lapses with the next input anyway.
    AllowSetForegroundWindow(ASFW_ANY);
}

QString WinPlatform::session_name() {
    // One instance per logon session: the local socket's name is per user already, and a user
    // logged on twice (fast user switching) has two sessions.
    DWORD session = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &session))
        return QString::number(session);
    return QString();
}
