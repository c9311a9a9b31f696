#pragma once

#include "FakeActiveWindow.h"
#include "FakeGlobalHotkeys.h"
#include "FakeInputInjector.h"
#include "FakeKeyState.h"
#include "platform/Platform.h"

class FakeKeyboard;

class FakePlatform : public Platform {
public:
    Keyboard* create_keyboard(QObject* parent) override;
    KeyState& key_state() override { return m_key_state; }
    InputInjector& input_injector() override { return m_injector; }
    GlobalHotkeys& global_hotkeys() override { return m_hotkeys; }
    ActiveWindow& active_window() override { return m_active_window; }
    void on_termination_request(std::function<void()> handler) override {
        m_termination = std::move(handler);
    }

    static FakePlatform& get();

    FakeKeyboard* keyboard() const { return m_keyboard; }
    FakeKeyState& fake_key_state() { return m_key_state; }
    FakeInputInjector& injector() { return m_injector; }
    FakeGlobalHotkeys& hotkeys() { return m_hotkeys; }
    FakeActiveWindow& fake_active_window() { return m_active_window; }
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
    FakeKeyboard* m_keyboard = nullptr;
    std::function<void()> m_termination;
};
