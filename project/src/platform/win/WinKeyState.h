#pragma once

#include "platform/KeyState.h"

#include <QPointer>

class WinKeyboard;

// Inside a key report, the keys that were down at that press (the hook recorded them); else
// the system's own state.
class WinKeyState : public KeyState {
public:
    void set_keyboard(WinKeyboard* keyboard);
    bool is_key_down(int virtual_key) const override;

private:
    QPointer<WinKeyboard> m_keyboard;
};
