#pragma once

#include <QString>

// Questions about the desktop and its pointer settings.
class SystemInfo {
public:
    virtual ~SystemInfo() = default;

    // Whether notifications should be boxes rather than tray balloons (a modern desktop).
    virtual bool is_modern_desktop() const = 0;
    // Mouse trails of the given length (0 or 1 switch them off). Returns false and a reason
    // when the desktop has no such setting.
    virtual bool set_mouse_trails(int length, QString* error) = 0;
};
