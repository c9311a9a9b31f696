#pragma once

#include "platform/Magnifier.h"

#include <QString>

// The live magnifier needs the screen's pixels as they change, which Wayland does not give.
class WaylandMagnifier : public Magnifier {
public:
    QString unavailable() const override {
        return QStringLiteral("Wayland gives no program the screen as it changes");
    }
    bool set_view(float, const QRect&, const QRect&, QString* error) override {
        *error = unavailable();
        return false;
    }
};
