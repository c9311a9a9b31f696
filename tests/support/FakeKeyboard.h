#pragma once

#include "FakePlatform.h"
#include "platform/Keyboard.h"

#include <vector>

// A keyboard a test types on. Presses are reported only while hooked, as with a real hook;
// key state follows every key either way.
class FakeKeyboard : public Keyboard {
    Q_OBJECT
public:
    FakeKeyboard(FakeKeyState& state, QObject* parent) : Keyboard(parent), m_state(state) {}
    ~FakeKeyboard() override { FakePlatform::get().keyboard_destroyed(this); }

    bool set_hooked(bool on) override {
        ++m_hook_calls;
        m_hooked = on;
        return on;
    }
    void set_print_screen_swallowed(bool on) override { m_print_swallowed = on; }

    void press(int virtual_key);
    void release(int virtual_key) { m_state.set_down(virtual_key, false); }
    // Press and release keys, modifiers first, as a person types a combination.
    void tap(std::initializer_list<int> keys) {
        for (int key : keys)
            press(key);
        const std::vector<int> in_order(keys);
        for (auto it = in_order.rbegin(); it != in_order.rend(); ++it)
            release(*it);
    }

    bool hooked() const override { return m_hooked; }
    bool print_screen_swallowed() const { return m_print_swallowed; }
    int hook_calls() const { return m_hook_calls; }
    // Keys that reached "other programs": every press not swallowed.
    QList<int> passed_on() const { return m_passed_on; }

private:
    FakeKeyState& m_state;
    bool m_hooked = false, m_print_swallowed = false;
    int m_hook_calls = 0;
    QList<int> m_passed_on;
};
