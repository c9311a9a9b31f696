#pragma once

#include "platform/ActiveWindow.h"

#include <QString>

// Wayland names no window to other programs and lets none raise one; the compositor gives the
// focus back when our popup closes.
class WaylandActiveWindow : public ActiveWindow {
public:
    quint64 current() override { return 0; }
    bool activate(quint64, QString* error) override {
        *error = QStringLiteral("Wayland lets no program activate another's window");
        return false;
    }
};
