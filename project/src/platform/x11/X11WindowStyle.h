#pragma once

#include "platform/WindowStyle.h"

// Click-through by an empty XShape input region: the window stays visible, the server sends
// pointer events to whatever lies below it.
class X11WindowStyle : public WindowStyle {
public:
    bool set_click_through(QWidget* window, bool on, QString* error) override;
};
