#include "X11ActiveGrab.h"

#include <QX11Info>

namespace {

int active_keycode = -1;

} // namespace

void X11ActiveGrab::activated(xcb_keycode_t keycode) {
    active_keycode = keycode;
}

void X11ActiveGrab::key_released(xcb_keycode_t keycode) {
    if (active_keycode == keycode)
        active_keycode = -1;
}

bool X11ActiveGrab::is_active() {
    return active_keycode >= 0;
}

void X11ActiveGrab::end() {
    active_keycode = -1;
    xcb_connection_t* connection = QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
    if (connection)
        xcb_ungrab_keyboard(connection, XCB_CURRENT_TIME);
}
