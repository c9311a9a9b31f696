#pragma once

#include "platform/Keyboard.h"

// No Wayland program may see another's keys: the desktop runs our actions instead (its bindings
// call `corvana --paste-next` and the others), so there is never a hook to install.
class WaylandKeyboard : public Keyboard {
    Q_OBJECT
public:
    using Keyboard::Keyboard;
    bool set_hooked(bool) override { return false; }
    bool hooked() const override { return false; }
    void set_print_screen_swallowed(bool) override {}
};
