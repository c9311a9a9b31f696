#pragma once

#include "platform/KeyState.h"

// Which keys are held is the compositor's secret on Wayland: none, as far as we can tell.
class WaylandKeyState : public KeyState {
public:
    bool is_key_down(int) const override { return false; }
};
