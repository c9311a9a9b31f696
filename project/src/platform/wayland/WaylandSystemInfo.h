#pragma once

#include "platform/SystemInfo.h"

#include <QString>

class WaylandSystemInfo : public SystemInfo {
public:
    bool is_modern_desktop() const override { return true; }
    bool set_mouse_trails(int, QString* error) override {
        *error = QStringLiteral("the pointer is the compositor's on Wayland");
        return false;
    }
};
