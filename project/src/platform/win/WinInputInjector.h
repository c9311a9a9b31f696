#pragma once

#include "platform/InputInjector.h"

#include <QtGlobal>

// Keys through SendInput. A synthesized paste must reach the program in front as a plain
// Ctrl+V: the Windows keys the user still holds are let go first (Win+V would open the
// clipboard history), and V follows Ctrl only once Ctrl has been taken in.
class WinInputInjector : public InputInjector {
public:
    // Every key we send carries this, so the keyboard hook knows our paste from another
    // program's.
    static constexpr quintptr extra_info = 0x436f7276; // "Corv"

    void send_key(int virtual_key, bool down) override;
};
