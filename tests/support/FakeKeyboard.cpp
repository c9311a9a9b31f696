#include "FakeKeyboard.h"

#include "FakeKeyState.h"
#include "FakePlatform.h"
#include "platform/VirtualKeys.h"

#include <vector>

FakeKeyboard::FakeKeyboard(FakeKeyState& state, QObject* parent)
    : Keyboard(parent), m_state(state) {}

FakeKeyboard::~FakeKeyboard() {
    FakePlatform::get().keyboard_destroyed(this);
}

bool FakeKeyboard::set_hooked(bool on) {
    ++m_hook_calls;
    m_hooked = on;
    return on;
}

void FakeKeyboard::press(int virtual_key) {
    m_state.set_down(virtual_key, true);
    if (m_hooked)
        emit signal_key_pressed(virtual_key, 0);
    if (!(m_hooked && m_print_swallowed && virtual_key == VirtualKeys::PrintScreen))
        m_passed_on.append(virtual_key);
}

void FakeKeyboard::release(int virtual_key) {
    m_state.set_down(virtual_key, false);
}

void FakeKeyboard::tap(std::initializer_list<int> keys) {
    for (int key : keys)
        press(key);
    const std::vector<int> in_order(keys);
    for (auto it = in_order.rbegin(); it != in_order.rend(); ++it)
        release(*it);
}
