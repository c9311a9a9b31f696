#include "WaylandPlatform.h"

#include "PortalGlobalHotkeys.h"
#include "PortalInputInjector.h"
#include "PortalScreenCapture.h"
#include "SwayIpc.h"
#include "Utf8LocaleCodec.h"
#include "WaylandActiveWindow.h"
#include "WaylandClipboardOwner.h"
#include "WaylandClipboardReader.h"
#include "WaylandConnection.h"
#include "WaylandGlobalHotkeys.h"
#include "WaylandInputInjector.h"
#include "WaylandKeyState.h"
#include "WaylandKeyboard.h"
#include "WaylandMagnifier.h"
#include "WaylandMouseHook.h"
#include "WaylandScreenCapture.h"
#include "WaylandSystemInfo.h"
#include "WaylandWindowStyle.h"
#include "X11TaskbarButton.h"
#include "X11TerminationSignals.h"
#include "XdgAutostart.h"
#include "XdgShellLinks.h"
#include "common/AppLog.h"
#include "common/DataPaths.h"

#include <wayland-client.h>

#include <QDBusConnection>
#include <QGuiApplication>
#include <qpa/qplatformnativeinterface.h>

#include <csignal>

namespace {
constexpr int paste_read_timeout_ms = 1000;

// Our keys go over a connection of our own, Qt's windows over Qt's: without this, the keys of a
// paste from a popup could reach the compositor before the popup's closing, and go to it.
void sync_qt_display() {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    auto* display = native ? static_cast<wl_display*>(native->nativeResourceForIntegration(
                                 QByteArrayLiteral("wl_display")))
                           : nullptr;
    if (display)
        wl_display_roundtrip(display);
}
} // namespace

bool WaylandPlatform::session_is_wayland() {
    return qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

WaylandPlatform::WaylandPlatform() {
    // A program that stops reading what we paste closes its pipe: that must not end us.
    std::signal(SIGPIPE, SIG_IGN);
    Utf8LocaleCodec::install();
    // Qt shows our windows through XWayland where there is one: popups and the capture are then
    // placed where we put them. Without it, through Wayland. The user's own choice stands.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM",
                qEnvironmentVariableIsSet("DISPLAY") ? "xcb;wayland" : "wayland");
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
        qputenv("QT_XCB_GL_INTEGRATION", "none");
}

WaylandPlatform::~WaylandPlatform() {
    // The clipboard's parts speak over the connection: they go first.
    m_input_injector.reset();
    m_clipboard_reader.reset();
    m_clipboard_owner.reset();
    m_wayland.reset();
}

WaylandConnection& WaylandPlatform::wayland() {
    if (!m_wayland) {
        m_wayland = std::make_unique<WaylandConnection>();
        QString error;
        if (!m_wayland->open(&error))
            APP_LOG(QStringLiteral("APP_LOG Wayland: %1; the clipboard and keys are not available")
                        .arg(error));
    }
    return *m_wayland;
}

Keyboard* WaylandPlatform::create_keyboard(QObject* parent) {
    return new WaylandKeyboard(parent);
}

KeyState& WaylandPlatform::key_state() {
    if (!m_key_state)
        m_key_state = std::make_unique<WaylandKeyState>();
    return *m_key_state;
}

InputInjector& WaylandPlatform::input_injector() {
    if (m_input_injector)
        return *m_input_injector;
    const auto paste_read = [this] {
        // A program that does not paste (a terminal without focus, say) costs this much.
        if (m_clipboard_owner && m_clipboard_owner->serving())
            m_clipboard_owner->wait_for_answer(paste_read_timeout_ms);
    };
    // The compositor's virtual keyboard where it has one; else the desktop's remote control
    // (KWin), which asks the user once.
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!wayland().virtual_keyboard() && PortalInputInjector::offered(bus)) {
        auto portal = std::make_unique<PortalInputInjector>(
            bus, DataPaths::get().data_root() + QStringLiteral("/remote-desktop-token"), 10000,
            120000, paste_read);
        m_portal_injector = portal.get();
        m_input_injector = std::move(portal);
    } else {
        auto keyboard = std::make_unique<WaylandInputInjector>(
            wayland(), WaylandInputInjector::Codes::Own, &sync_qt_display, paste_read);
        m_keyboard_injector = keyboard.get();
        m_input_injector = std::move(keyboard);
    }
    return *m_input_injector;
}

GlobalHotkeys& WaylandPlatform::global_hotkeys() {
    if (!m_global_hotkeys) {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (PortalGlobalHotkeys::offered(bus))
            m_global_hotkeys = std::make_unique<PortalGlobalHotkeys>(bus);
        else
            m_global_hotkeys = std::make_unique<WaylandGlobalHotkeys>();
    }
    return *m_global_hotkeys;
}

ActiveWindow& WaylandPlatform::active_window() {
    if (!m_active_window)
        m_active_window = std::make_unique<WaylandActiveWindow>();
    return *m_active_window;
}

WindowStyle& WaylandPlatform::window_style() {
    if (!m_window_style)
        m_window_style = std::make_unique<WaylandWindowStyle>();
    return *m_window_style;
}

TaskbarButton& WaylandPlatform::taskbar_button() {
    if (!m_taskbar_button)
        m_taskbar_button = std::make_unique<X11TaskbarButton>();
    return *m_taskbar_button;
}

SystemInfo& WaylandPlatform::system_info() {
    if (!m_system_info)
        m_system_info = std::make_unique<WaylandSystemInfo>();
    return *m_system_info;
}

Autostart& WaylandPlatform::autostart() {
    if (!m_autostart)
        m_autostart = std::make_unique<XdgAutostart>();
    return *m_autostart;
}

ShellLinks& WaylandPlatform::shell_links() {
    if (!m_shell_links)
        m_shell_links = std::make_unique<XdgShellLinks>();
    return *m_shell_links;
}

ClipboardOwner& WaylandPlatform::clipboard_owner() {
    return wayland_clipboard_owner();
}

WaylandClipboardOwner& WaylandPlatform::wayland_clipboard_owner() {
    if (!m_clipboard_owner) {
        m_clipboard_owner = std::make_unique<WaylandClipboardOwner>(wayland());
        QString error;
        if (!m_clipboard_owner->start(&error))
            APP_LOG(QStringLiteral("APP_LOG Wayland: %1").arg(error));
        input_injector();
        if (m_keyboard_injector)
            m_keyboard_injector->prepare();
        else
            m_portal_injector->prepare();
    }
    return *m_clipboard_owner;
}

ClipboardReader& WaylandPlatform::clipboard_reader() {
    if (!m_clipboard_reader)
        m_clipboard_reader =
            std::make_unique<WaylandClipboardReader>(wayland(), wayland_clipboard_owner(), [this] {
                return m_termination_signals ? m_termination_signals->pending_fd() : -1;
            });
    return *m_clipboard_reader;
}

ScreenCapture& WaylandPlatform::screen_capture() {
    // The compositor's own copy goes first where it offers one; else the desktop's portal; without
    // either, the grab says what is missing.
    if (!m_screen_capture) {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (!WaylandScreenCapture::offered(wayland()) && PortalScreenCapture::offered(bus))
            m_screen_capture = std::make_unique<PortalScreenCapture>(bus);
        else
            m_screen_capture = std::make_unique<WaylandScreenCapture>(wayland());
    }
    return *m_screen_capture;
}

MouseHook& WaylandPlatform::mouse_hook() {
    if (!m_mouse_hook)
        m_mouse_hook = std::make_unique<WaylandMouseHook>();
    return *m_mouse_hook;
}

Magnifier& WaylandPlatform::magnifier() {
    if (!m_magnifier)
        m_magnifier = std::make_unique<WaylandMagnifier>();
    return *m_magnifier;
}

QString WaylandPlatform::session_name() {
    return QStringLiteral("wayland:") +
           qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
}

bool WaylandPlatform::compositor_has_data_control() {
    WaylandConnection probe;
    QString error;
    return probe.open(&error) && probe.data_control();
}

QString WaylandPlatform::session_notice() {
    WaylandConnection& connection = wayland();
    if (!connection.is_open())
        return QStringLiteral("Corvana could not connect to this Wayland desktop: it cannot see "
                              "or set the clipboard of any program.");
    if (!connection.data_control())
        return QStringLiteral(
            "This Wayland desktop (GNOME, for one) lets no program such as Corvana see or set the "
            "clipboard, and there is no XWayland to work through: the paste queue cannot work "
            "here. Log in to an X11 (Xorg) session for it.");
    if (m_portal_injector && !m_portal_injector->error().isEmpty())
        return QStringLiteral("Corvana cannot type the Ctrl+V that pastes: %1. Bind a key to "
                              "'corvana --paste-next' to put the next entry on the clipboard, "
                              "then paste as usual.")
            .arg(m_portal_injector->error());
    if (m_portal_injector)
        return QStringLiteral(
            "Corvana types the Ctrl+V that pastes through the desktop's remote control, which you "
            "allowed once. Bind a key of its own, F8 say, to 'corvana --paste-next' in the "
            "desktop's shortcut settings: not Ctrl+V, which the desktop could run again on the "
            "Ctrl+V Corvana types, nor a key with Alt or Meta, which would still be held.");
    if (!connection.virtual_keyboard())
        return QStringLiteral(
            "This Wayland desktop does not let Corvana type Ctrl+V: bind a key to "
            "'corvana --paste-next' to put the next entry on the clipboard, then paste as usual.");
    SwayIpc sway(qEnvironmentVariable("SWAYSOCK"));
    if (sway.available() && sway.config_mentions("corvana --paste-next"))
        return QString();
    if (qobject_cast<PortalGlobalHotkeys*>(&global_hotkeys()))
        return QStringLiteral(
            "On Wayland the desktop gives Corvana its keys: bind Ctrl+V to 'corvana --paste-next'. "
            "Corvana's other shortcuts are in the desktop's shortcut settings, which may ask you "
            "to confirm them.");
    return QStringLiteral(
        "On Wayland the desktop gives Corvana its keys: bind Ctrl+V to 'corvana --paste-next' and "
        "Corvana's other shortcuts to its command line (corvana --help). On sway, include the "
        "sway.conf that comes with Corvana (README, section Wayland).");
}

void WaylandPlatform::on_termination_request(std::function<void()> handler) {
    if (m_termination_signals)
        m_termination_signals->set_handler(std::move(handler));
    else
        m_termination_signals = std::make_unique<X11TerminationSignals>(std::move(handler));
}

std::unique_ptr<Platform> create_wayland_platform() {
    return std::make_unique<WaylandPlatform>();
}

// A Wayland session whose compositor keeps the clipboard to itself (GNOME) is better served
// through XWayland, where X11 programs at least get the whole queue.
bool wayland_backend_wanted() {
    if (!WaylandPlatform::session_is_wayland())
        return false;
    return !qEnvironmentVariableIsSet("DISPLAY") || WaylandPlatform::compositor_has_data_control();
}
