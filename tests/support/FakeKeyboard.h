#pragma once

#include "platform/Keyboard.h"

#include <QList>

class FakeKeyState;

// A keyboard a test types on. Presses are reported only while hooked, as with a real hook;
// key state follows every key either way.
class FakeKeyboard : public Keyboard {
    Q_OBJECT
public:
    FakeKeyboard(FakeKeyState& state, QObject* parent);
    ~FakeKeyboard() override;

    bool set_hooked(bool on) override;
    void set_print_screen_swallowed(bool on) override { m_print_swallowed = on; }

    void press(int virtual_key);
    void release(int virtual_key);
    // Press and release keys, modifiers first, as a person types a combination.
    void tap(std::initializer_list<int> keys);

    bool hooked() const override { return m_hooked; }
    bool print_screen_swallowed() const { return m_print_swallowed; }
    int hook_calls() const { return m_hook_calls; }
    // Keys that reached "other programs": every press not swallowed.
    QList<int> passed_on() const { return m_passed_on; }

private:
    FakeKeyState& m_state;
    bool m_hooked = false;
    bool m_print_swallowed = false;
    int m_hook_calls = 0;
    QList<int> m_passed_on;
};
