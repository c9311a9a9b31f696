#pragma once

#include "platform/WindowStyle.h"

// Click-through by an empty XShape input region: the window stays visible, the server sends
// pointer events to whatever lies below it.
class X11Connection;

class X11WindowStyle : public WindowStyle {
public:
    explicit X11WindowStyle(const X11Connection& x11) : m_x11(x11) {}

    bool set_click_through(QWidget* window, bool on, QString* error) override;

private:
    const X11Connection& m_x11;
};
