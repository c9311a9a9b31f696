#pragma once

#include "platform/ActiveWindow.h"

#include <xcb/xcb.h>

class X11Connection;

// _NET_ACTIVE_WINDOW where a window manager keeps it; the input focus without one.
class X11ActiveWindow : public ActiveWindow {
public:
    explicit X11ActiveWindow(const X11Connection& x11);

    quint64 current() override;
    bool activate(quint64 window, QString* error) override;

private:
    bool window_manager_present(xcb_connection_t* connection, xcb_window_t root);

    const X11Connection& m_x11;
    xcb_atom_t m_net_active_window = XCB_ATOM_NONE;
    xcb_atom_t m_net_supporting_wm_check = XCB_ATOM_NONE;
};
