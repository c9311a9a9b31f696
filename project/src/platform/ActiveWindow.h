#pragma once

#include <QString>
#include <QtGlobal>

// The desktop's active window, so a popup can hand the focus back to where the user was.
class ActiveWindow {
public:
    virtual ~ActiveWindow() = default;
    // The active window's id; 0 when none is known.
    virtual quint64 current() = 0;
    // Asks for window to become active again; false with a reason when it cannot be.
    virtual bool activate(quint64 window, QString* error) = 0;
};
