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
    // Around a popup opened from a global shortcut: joined before it is shown, so that it takes
    // the keyboard from the window the user is in, released when it hides. Nothing to do where
    // the toolkit's own activation is enough.
    virtual void join_foreground_input() {}
    virtual void release_foreground_input() {}
};
