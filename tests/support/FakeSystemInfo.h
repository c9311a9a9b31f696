#pragma once

#include "platform/SystemInfo.h"

// A modern desktop where every mouse-trail request succeeds.
class FakeSystemInfo : public SystemInfo {
public:
    bool is_modern_desktop() const override { return true; }
    bool set_mouse_trails(int, QString*) override { return true; }
};
