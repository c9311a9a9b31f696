#pragma once

#include "platform/Platform.h"

#include <memory>

class WaylandConnection;
class WaylandClipboardOwner;
class WaylandClipboardReader;
class InputInjector;
class WaylandInputInjector;
class PortalInputInjector;
class X11TerminationSignals;
class X11TaskbarButton;
class XdgAutostart;
class XdgShellLinks;
class WaylandKeyState;
class WaylandActiveWindow;
class WaylandWindowStyle;
class WaylandSystemInfo;
class WaylandMouseHook;
class WaylandMagnifier;
class ScreenCapture;

// The desktop on a Wayland session: the clipboard over data-control and keys over the virtual
// keyboard, on a connection of our own; what Wayland keeps from programs is reported, not faked.
// The freedesktop parts (start at login, launchers, the dock's progress, signals) are the X11
// backend's, which need no X server.
class WaylandPlatform : public Platform {
public:
    // True when this process runs in a Wayland session.
    static bool session_is_wayland();

    WaylandPlatform();
    ~WaylandPlatform() override;

    Keyboard* create_keyboard(QObject* parent) override;
    KeyState& key_state() override;
    InputInjector& input_injector() override;
    GlobalHotkeys& global_hotkeys() override;
    ActiveWindow& active_window() override;
    WindowStyle& window_style() override;
    TaskbarButton& taskbar_button() override;
    SystemInfo& system_info() override;
    Autostart& autostart() override;
    ShellLinks& shell_links() override;
    ClipboardOwner& clipboard_owner() override;
    ClipboardReader& clipboard_reader() override;
    ScreenCapture& screen_capture() override;
    MouseHook& mouse_hook() override;
    Magnifier& magnifier() override;
    QString session_name() override;
    QString session_notice() override;
    // Whether the compositor lets a program without focus own and read the clipboard. Asked
    // before the application object exists.
    static bool compositor_has_data_control();
    void on_termination_request(std::function<void()> handler) override;

private:
    WaylandConnection& wayland();
    WaylandClipboardOwner& wayland_clipboard_owner();

    std::unique_ptr<WaylandConnection> m_wayland;
    bool m_wayland_tried = false;
    std::unique_ptr<WaylandClipboardOwner> m_clipboard_owner;
    std::unique_ptr<WaylandClipboardReader> m_clipboard_reader;
    std::unique_ptr<InputInjector> m_input_injector;
    // The one of the two m_input_injector is, the other null.
    WaylandInputInjector* m_keyboard_injector = nullptr;
    PortalInputInjector* m_portal_injector = nullptr;
    std::unique_ptr<X11TerminationSignals> m_termination_signals;
    std::unique_ptr<X11TaskbarButton> m_taskbar_button;
    std::unique_ptr<XdgAutostart> m_autostart;
    std::unique_ptr<XdgShellLinks> m_shell_links;
    std::unique_ptr<WaylandKeyState> m_key_state;
    std::unique_ptr<GlobalHotkeys> m_global_hotkeys;
    std::unique_ptr<WaylandActiveWindow> m_active_window;
    std::unique_ptr<WaylandWindowStyle> m_window_style;
    std::unique_ptr<WaylandSystemInfo> m_system_info;
    std::unique_ptr<WaylandMouseHook> m_mouse_hook;
    std::unique_ptr<WaylandMagnifier> m_magnifier;
    std::unique_ptr<ScreenCapture> m_screen_capture;
};
