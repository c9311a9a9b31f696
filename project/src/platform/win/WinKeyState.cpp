#include "WinKeyState.h"

#include "WinKeyboard.h"

#include <windows.h>

void WinKeyState::set_keyboard(WinKeyboard* keyboard) {
    m_keyboard = keyboard;
}

bool WinKeyState::is_key_down(int virtual_key) const {
    if (m_keyboard && m_keyboard->reporting())
        return m_keyboard->was_down(virtual_key);
    return (GetAsyncKeyState(virtual_key) & 0x8000) != 0;
}
