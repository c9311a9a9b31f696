#pragma once

#include "FakeActiveWindow.h"
#include "FakeAutostart.h"
#include "FakeClipboardOwner.h"
#include "FakeClipboardReader.h"
#include "FakeGlobalHotkeys.h"
#include "FakeInputInjector.h"
#include "FakeKeyState.h"
#include "FakeMagnifier.h"
#include "FakeMouseHook.h"
#include "FakeScreenCapture.h"
#include "FakeShellLinks.h"
#include "FakeSystemInfo.h"
#include "FakeTaskbarButton.h"
#include "FakeWindowStyle.h"
#include "platform/Platform.h"

class FakeKeyboard;

class FakePlatform : public Platform {
public:
    Keyboard* create_keyboard(QObject* parent) override;
    KeyState& key_state() override { return m_key_state; }
    InputInjector& input_injector() override { return m_injector; }
    GlobalHotkeys& global_hotkeys() override { return m_hotkeys; }
    ActiveWindow& active_window() override { return m_active_window; }
    ClipboardReader& clipboard_reader() override { return m_reader; }
    WindowStyle& window_style() override { return m_window_style; }
    TaskbarButton& taskbar_button() override { return m_taskbar_button; }
    SystemInfo& system_info() override { return m_system_info; }
    Autostart& autostart() override { return m_autostart; }
    ShellLinks& shell_links() override { return m_shell_links; }
    ClipboardOwner& clipboard_owner() override;
    ScreenCapture& screen_capture() override { return m_screen_capture; }
    MouseHook& mouse_hook() override { return m_mouse_hook; }
    Magnifier& magnifier() override { return m_magnifier; }
    void on_termination_request(std::function<void()> handler) override {
        m_termination = std::move(handler);
    }

    static FakePlatform& get();

    FakeKeyboard* keyboard() const { return m_keyboard; }
    FakeKeyState& fake_key_state() { return m_key_state; }
    FakeInputInjector& injector() { return m_injector; }
    FakeGlobalHotkeys& hotkeys() { return m_hotkeys; }
    FakeActiveWindow& fake_active_window() { return m_active_window; }
    FakeClipboardReader& reader() { return m_reader; }
    FakeWindowStyle& fake_window_style() { return m_window_style; }
    FakeTaskbarButton& fake_taskbar_button() { return m_taskbar_button; }
    FakeAutostart& fake_autostart() { return m_autostart; }
    FakeShellLinks& fake_shell_links() { return m_shell_links; }
    FakeClipboardOwner& fake_clipboard_owner();
    FakeScreenCapture& fake_screen_capture() { return m_screen_capture; }
    FakeMouseHook& fake_mouse_hook() { return m_mouse_hook; }
    FakeMagnifier& fake_magnifier() { return m_magnifier; }
    void request_termination() {
        if (m_termination)
            m_termination();
    }
    void keyboard_destroyed(FakeKeyboard* keyboard);

private:
    FakeKeyState m_key_state;
    FakeInputInjector m_injector;
    FakeGlobalHotkeys m_hotkeys;
    FakeActiveWindow m_active_window;
    FakeClipboardReader m_reader;
    FakeWindowStyle m_window_style;
    FakeTaskbarButton m_taskbar_button;
    FakeSystemInfo m_system_info;
    FakeScreenCapture m_screen_capture;
    FakeAutostart m_autostart;
    FakeShellLinks m_shell_links;
    FakeMouseHook m_mouse_hook;
    FakeMagnifier m_magnifier;
    FakeKeyboard* m_keyboard = nullptr;
    std::unique_ptr<FakeClipboardOwner> m_clipboard_owner; // needs the application, so made late
    std::function<void()> m_termination;
};
