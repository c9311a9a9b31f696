#pragma once

#include "platform/Magnifier.h"

#include <QString>

// The live magnifier needs the screen's pixels as they change, which Wayland does not give.
class WaylandMagnifier : public Magnifier {
public:
    bool set_view(float, const QRect&, const QRect&, QString* error) override {
        *error = QStringLiteral("the live magnifier is not available on Wayland");
        return false;
    }
};
