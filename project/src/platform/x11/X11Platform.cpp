#include "X11Platform.h"

#include "Utf8LocaleCodec.h"
#include "X11ActiveWindow.h"
#include "X11ClipboardOwner.h"
#include "X11ClipboardReader.h"
#include "X11Connection.h"
#include "X11GlobalHotkeys.h"
#include "X11InputInjector.h"
#include "X11KeyState.h"
#include "X11Keyboard.h"
#include "X11Magnifier.h"
#include "X11MouseHook.h"
#include "X11ScreenCapture.h"
#include "X11SystemInfo.h"
#include "X11TaskbarButton.h"
#include "X11TerminationSignals.h"
#include "X11WindowStyle.h"
#include "XdgAutostart.h"
#include "XdgShellLinks.h"

#include <QtDebug>

#include <X11/Xlib.h>

#include <csignal>
#ifdef __GLIBC__
#include <malloc.h>
#endif

std::unique_ptr<Platform> create_x11_platform() {
    return std::make_unique<X11Platform>();
}

X11Platform::X11Platform() {
    // A closed standard output (the log's reader went away) must not end the program unsaved:
    // writes then fail quietly instead.
    std::signal(SIGPIPE, SIG_IGN);
    // Nothing here draws with OpenGL, and Qt's GLX integration would load Mesa (its code
    // generator included) for every window: tens of megabytes and a slower start. A user who
    // sets the variable (xcb_glx, xcb_egl) gets Qt's own choice back.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    // Before the application object, whose start-up converts its first strings.
    Utf8LocaleCodec::install();
#ifdef __GLIBC__
    // Screen-sized pictures (the capture, the zoom) go back to the system when freed. glibc
    // raises its mapping threshold after each such free, and the next picture then stays in the
    // heap for good: 25 MB more after eight captures of a 1920 x 1080 screen.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

X11Platform::~X11Platform() = default;

Keyboard* X11Platform::create_keyboard(QObject* parent) {
    if (m_keyboard)
        qWarning("X11Platform: a second keyboard while the first exists; their grabs clash");
    auto* keyboard = new X11Keyboard(x11(), m_paste_hold, parent);
    QObject::connect(&x11_clipboard_owner(), &X11ClipboardOwner::activity, keyboard,
                     &X11Keyboard::hold_changed);
    keyboard->set_focus_client([this] { return x11_clipboard_owner().focus_client(); });
    m_keyboard = keyboard;
    x11_key_state().set_keyboard(keyboard);
    return keyboard;
}

KeyState& X11Platform::key_state() {
    return x11_key_state();
}

InputInjector& X11Platform::input_injector() {
    if (!m_input_injector)
        m_input_injector = std::make_unique<X11InputInjector>(x11());
    return *m_input_injector;
}

GlobalHotkeys& X11Platform::global_hotkeys() {
    if (!m_global_hotkeys)
        m_global_hotkeys = std::make_unique<X11GlobalHotkeys>(x11());
    return *m_global_hotkeys;
}

ActiveWindow& X11Platform::active_window() {
    if (!m_active_window)
        m_active_window = std::make_unique<X11ActiveWindow>(x11());
    return *m_active_window;
}

ClipboardReader& X11Platform::clipboard_reader() {
    if (!m_clipboard_reader)
        m_clipboard_reader = std::make_unique<X11ClipboardReader>(
            [this] { return m_termination_signals ? m_termination_signals->pending_fd() : -1; },
            [this] { return m_clipboard_owner && m_clipboard_owner->serving(); });
    return *m_clipboard_reader;
}

WindowStyle& X11Platform::window_style() {
    if (!m_window_style)
        m_window_style = std::make_unique<X11WindowStyle>(x11());
    return *m_window_style;
}

TaskbarButton& X11Platform::taskbar_button() {
    if (!m_taskbar_button)
        m_taskbar_button = std::make_unique<X11TaskbarButton>();
    return *m_taskbar_button;
}

SystemInfo& X11Platform::system_info() {
    if (!m_system_info)
        m_system_info = std::make_unique<X11SystemInfo>();
    return *m_system_info;
}

Autostart& X11Platform::autostart() {
    if (!m_autostart)
        m_autostart = std::make_unique<XdgAutostart>();
    return *m_autostart;
}

ShellLinks& X11Platform::shell_links() {
    if (!m_shell_links)
        m_shell_links = std::make_unique<XdgShellLinks>();
    return *m_shell_links;
}

MouseHook& X11Platform::mouse_hook() {
    if (!m_mouse_hook)
        m_mouse_hook = std::make_unique<X11MouseHook>(x11());
    return *m_mouse_hook;
}

Magnifier& X11Platform::magnifier() {
    if (!m_magnifier)
        m_magnifier = std::make_unique<X11Magnifier>(x11());
    return *m_magnifier;
}

ScreenCapture& X11Platform::screen_capture() {
    if (!m_screen_capture)
        m_screen_capture = std::make_unique<X11ScreenCapture>();
    return *m_screen_capture;
}

void X11Platform::on_termination_request(std::function<void()> handler) {
    if (m_termination_signals)
        m_termination_signals->set_handler(std::move(handler));
    else
        m_termination_signals = std::make_unique<X11TerminationSignals>(std::move(handler));
}

QString X11Platform::session_notice() {
    const bool wayland =
        qgetenv("XDG_SESSION_TYPE") == "wayland" || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!wayland)
        return QString();
    return QStringLiteral(
        "This desktop runs Wayland without the clipboard access Corvana needs there, so Corvana "
        "works through XWayland: it does not see the clipboard or keys of Wayland programs, where "
        "Ctrl+V pastes the ordinary clipboard and Corvana's shortcuts do nothing. In X11 programs "
        "everything works. For the full paste queue everywhere, log in to an X11 (Xorg) session.");
}

QString X11Platform::session_name() {
    // The display Qt connected to, without the screen number: ":1.0" and ":1" are one session.
    Display* display = x11().display();
    QString name =
        display ? QString::fromLocal8Bit(DisplayString(display)) : qEnvironmentVariable("DISPLAY");
    const int colon = name.lastIndexOf(QLatin1Char(':'));
    const int dot = name.indexOf(QLatin1Char('.'), colon + 1);
    if (colon >= 0 && dot > colon)
        name.truncate(dot);
    return name;
}

ClipboardOwner& X11Platform::clipboard_owner() {
    return x11_clipboard_owner();
}

X11ClipboardOwner& X11Platform::x11_clipboard_owner() {
    if (!m_clipboard_owner)
        m_clipboard_owner = std::make_unique<X11ClipboardOwner>(x11(), m_paste_hold);
    return *m_clipboard_owner;
}

const X11Connection& X11Platform::x11() {
    if (!m_x11)
        m_x11 = std::make_unique<X11Connection>();
    return *m_x11;
}

X11KeyState& X11Platform::x11_key_state() {
    if (!m_key_state) {
        m_key_state = std::make_unique<X11KeyState>(x11());
        m_key_state->set_keyboard(m_keyboard);
    }
    return *m_key_state;
}
