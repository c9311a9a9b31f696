#include "X11InputInjector.h"

#include "X11Connection.h"
#include "X11KeyMap.h"

#include <QtDebug>

#include <xcb/xtest.h>

X11InputInjector::X11InputInjector(const X11Connection& x11)
    : m_x11(x11), m_key_map(x11.key_map()) {}

X11InputInjector::~X11InputInjector() = default;

void X11InputInjector::send_key(int virtual_key, bool down) {
    xcb_connection_t* connection = m_x11.connection();
    if (!m_checked) {
        m_checked = true;
        m_available = connection && m_x11.xtest().present;
        if (!m_available)
            qWarning("X11InputInjector: no XTest on an X connection, keys cannot be sent");
    }
    if (!m_available || !connection)
        return;
    const QVector<xcb_keycode_t> keycodes = m_key_map->keycodes_for_virtual_key(virtual_key);
    if (keycodes.isEmpty()) {
        qWarning("X11InputInjector: no key for virtual key 0x%x", virtual_key);
        return;
    }
    // A hotkey handler runs while the hotkey's passive grab is active: without this the keys
    // would come back to us instead of going to the focused program.
    X11ActiveGrab& grab = m_x11.active_grab();
    if (grab.is_active())
        grab.end();
    xcb_test_fake_input(connection, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycodes.first(),
                        XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection);
}
