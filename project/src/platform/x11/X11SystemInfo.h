#pragma once

#include "platform/SystemInfo.h"

// An X11 desktop counts as modern; it has no mouse trails.
class X11SystemInfo : public SystemInfo {
public:
    bool is_modern_desktop() const override { return true; }
    bool set_mouse_trails(int length, QString* error) override;
};
