#pragma once

#include "platform/SystemInfo.h"

class WinSystemInfo : public SystemInfo {
public:
    // Windows 8 or later.
    bool is_modern_desktop() const override;
    bool set_mouse_trails(int length, QString* error) override;
};
