#pragma once

#include "platform/PasteHold.h"
#include "platform/Platform.h"

#include <QPointer>

#include <memory>

class WinActiveWindow;
class WinAutostart;
class WinClipboardOwner;
class WinClipboardReader;
class WinGlobalHotkeys;
class WinInputInjector;
class WinKeyState;
class WinKeyboard;
class WinMagnifier;
class WinMouseHook;
class WinScreenCapture;
class WinShellLinks;
class WinSystemInfo;
class WinTaskbarButton;
class WinTermination;
class WinWindowStyle;

// The Windows desktop through Win32. Services are made on first use, on the GUI thread.
class WinPlatform : public Platform {
public:
    WinPlatform();
    ~WinPlatform() override;

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
    void on_termination_request(std::function<void()> handler) override;
    QString session_name() override;
    void let_running_instance_take_foreground() override;
    QString uninstaller_name() const override { return QStringLiteral("uninstall.exe"); }

private:
    WinKeyState& win_key_state();
    WinClipboardOwner& win_clipboard_owner();

    std::unique_ptr<WinKeyState> m_key_state;
    std::unique_ptr<WinInputInjector> m_input_injector;
    std::unique_ptr<WinGlobalHotkeys> m_global_hotkeys;
    std::unique_ptr<WinActiveWindow> m_active_window;
    std::unique_ptr<WinWindowStyle> m_window_style;
    std::unique_ptr<WinTaskbarButton> m_taskbar_button;
    std::unique_ptr<WinSystemInfo> m_system_info;
    std::unique_ptr<WinAutostart> m_autostart;
    std::unique_ptr<WinShellLinks> m_shell_links;
    std::unique_ptr<WinClipboardReader> m_clipboard_reader;
    std::unique_ptr<WinScreenCapture> m_screen_capture;
    std::unique_ptr<WinMouseHook> m_mouse_hook;
    std::unique_ptr<WinMagnifier> m_magnifier;
    std::unique_ptr<WinTermination> m_termination;
    // Shared by the keyboard (which holds paste keys) and the clipboard owner (which sees the
    // reads that end a hold).
    PasteHold m_paste_hold;
    std::unique_ptr<WinClipboardOwner> m_clipboard_owner;
    QPointer<WinKeyboard> m_keyboard;
};
