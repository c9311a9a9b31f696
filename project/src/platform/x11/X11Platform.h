#pragma once

#include "platform/PasteHold.h"
#include "platform/Platform.h"

#include <QPointer>

#include <memory>

class X11ActiveWindow;
class X11Connection;
class X11ClipboardReader;
class X11ClipboardOwner;
class X11GlobalHotkeys;
class XdgAutostart;
class XdgShellLinks;
class X11InputInjector;
class X11KeyState;
class X11Keyboard;
class X11SystemInfo;
class X11TaskbarButton;
class X11ScreenCapture;
class X11Magnifier;
class X11MouseHook;
class X11TerminationSignals;
class X11WindowStyle;

// The X11 desktop, reached through Qt's own xcb connection. Services are made on first use,
// once the application (and so the connection) exists, and share one connection context.
class X11Platform : public Platform {
public:
    X11Platform();
    ~X11Platform() override;

    Keyboard* create_keyboard(QObject* parent) override;
    KeyState& key_state() override;
    InputInjector& input_injector() override;
    GlobalHotkeys& global_hotkeys() override;
    ActiveWindow& active_window() override;
    ClipboardReader& clipboard_reader() override;
    WindowStyle& window_style() override;
    TaskbarButton& taskbar_button() override;
    SystemInfo& system_info() override;
    Autostart& autostart() override;
    ShellLinks& shell_links() override;
    ClipboardOwner& clipboard_owner() override;
    ScreenCapture& screen_capture() override;
    MouseHook& mouse_hook() override;
    Magnifier& magnifier() override;
    void on_termination_request(std::function<void()> handler) override;
    QString session_name() override;
    QString session_notice() override;

private:
    const X11Connection& x11();
    X11KeyState& x11_key_state();
    X11ClipboardOwner& x11_clipboard_owner();

    // First: every service below refers to it.
    std::unique_ptr<X11Connection> m_x11;
    std::unique_ptr<X11KeyState> m_key_state;
    std::unique_ptr<X11InputInjector> m_input_injector;
    std::unique_ptr<X11GlobalHotkeys> m_global_hotkeys;
    std::unique_ptr<X11ActiveWindow> m_active_window;
    std::unique_ptr<X11ScreenCapture> m_screen_capture;
    std::unique_ptr<X11MouseHook> m_mouse_hook;
    std::unique_ptr<X11Magnifier> m_magnifier;
    std::unique_ptr<X11TerminationSignals> m_termination_signals;
    std::unique_ptr<X11ClipboardReader> m_clipboard_reader;
    std::unique_ptr<X11WindowStyle> m_window_style;
    std::unique_ptr<X11TaskbarButton> m_taskbar_button;
    std::unique_ptr<X11SystemInfo> m_system_info;
    std::unique_ptr<XdgAutostart> m_autostart;
    std::unique_ptr<XdgShellLinks> m_shell_links;
    // Shared by the keyboard (which holds paste keys) and the clipboard owner (which sees the
    // requests that end a hold).
    PasteHold m_paste_hold;
    std::unique_ptr<X11ClipboardOwner> m_clipboard_owner;
    QPointer<X11Keyboard> m_keyboard;
};
