#pragma once

#include <cstdint>

// Fixed translations between X keysyms, our virtual-key numbers and Qt key codes. Layout
// independent: which keycode gives which keysym is X11KeyMap's business.
class X11KeySymbols {
public:
    using KeySym = uint32_t;

    // The virtual key of an unshifted keysym, 0 when it has none.
    static int virtual_key(KeySym keysym);

    // The keysym a Qt key (without modifiers) stands for, 0 when there is none. keypad picks the
    // keypad variant of digits and operators.
    static KeySym keysym_for_qt_key(int qt_key, bool keypad);

    // The uppercase keysym of a Latin-1 letter (the shifted level of a one-keysym letter key).
    static KeySym upper_case(KeySym keysym);
};
