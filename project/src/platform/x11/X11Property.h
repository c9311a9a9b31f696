#pragma once

#include <xcb/xcb.h>

// Writes to other clients' windows, which may be gone already: their BadWindow errors are of no
// interest to anyone, so they are discarded rather than reported to Qt.
class X11Property {
public:
    static void replace(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                        xcb_atom_t type, uint8_t format, uint32_t length, const void* data);
    // Property-change events of a requestor's window, for transfers in parts.
    static void watch(xcb_connection_t* connection, xcb_window_t window, bool on);
};
