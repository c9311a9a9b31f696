#pragma once

#include "platform/MouseHook.h"

#include <QString>

// Wayland shows no program the pointer outside its own windows.
class WaylandMouseHook : public MouseHook {
public:
    bool install(Callback, QString* error) override {
        *error = QStringLiteral("Wayland shows no program the pointer outside its windows");
        return false;
    }
    void uninstall() override {}
    bool installed() const override { return false; }
};
