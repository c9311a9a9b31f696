#include "X11Property.h"

void X11Property::replace(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property,
                          xcb_atom_t type, uint8_t format, uint32_t length, const void* data) {
    xcb_discard_reply(connection,
                      xcb_change_property_checked(connection, XCB_PROP_MODE_REPLACE, window,
                                                  property, type, format, length, data)
                          .sequence);
}

void X11Property::watch(xcb_connection_t* connection, xcb_window_t window, bool on) {
    const uint32_t mask = on ? XCB_EVENT_MASK_PROPERTY_CHANGE : XCB_EVENT_MASK_NO_EVENT;
    xcb_discard_reply(connection, xcb_change_window_attributes_checked(connection, window,
                                                                       XCB_CW_EVENT_MASK, &mask)
                                      .sequence);
}
