#include "X11ActiveGrab.h"

void X11ActiveGrab::activated(xcb_keycode_t keycode) {
    m_keycode = keycode;
}

void X11ActiveGrab::key_released(xcb_keycode_t keycode) {
    if (m_keycode == keycode)
        m_keycode = -1;
}

bool X11ActiveGrab::is_active() const {
    return m_keycode >= 0;
}

void X11ActiveGrab::end() {
    m_keycode = -1;
    if (m_connection)
        xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
}
