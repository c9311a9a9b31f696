#pragma once

#include <QString>

class QWidget;

// Window behaviour the toolkit does not offer portably.
class WindowStyle {
public:
    virtual ~WindowStyle() = default;

    // Click-through: pointer input passes to whatever lies below the window. The window must
    // have a native handle. Returns false and a reason when the desktop refused.
    virtual bool set_click_through(QWidget* window, bool on, QString* error) = 0;
};
