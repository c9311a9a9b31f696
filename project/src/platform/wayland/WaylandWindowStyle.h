#pragma once

#include "platform/WindowStyle.h"

#include <QString>

// Only the compositor decides where a click goes.
class WaylandWindowStyle : public WindowStyle {
public:
    bool set_click_through(QWidget*, bool, QString* error) override {
        if (error)
            *error =
                QStringLiteral("windows that clicks pass through are not available on Wayland");
        return false;
    }
};
