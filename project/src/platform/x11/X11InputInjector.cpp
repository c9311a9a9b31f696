#include "X11InputInjector.h"

#include "X11ActiveGrab.h"
#include "X11KeyMap.h"

#include <QX11Info>
#include <QtDebug>

#include <xcb/xtest.h>

X11InputInjector::X11InputInjector(std::shared_ptr<X11KeyMap> key_map)
    : m_key_map(std::move(key_map)) {}

X11InputInjector::~X11InputInjector() = default;

void X11InputInjector::send_key(int virtual_key, bool down) {
    xcb_connection_t* connection = QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
    if (!m_checked) {
        m_checked = true;
        const xcb_query_extension_reply_t* xtest =
            connection ? xcb_get_extension_data(connection, &xcb_test_id) : nullptr;
        m_available = xtest && xtest->present;
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
    if (X11ActiveGrab::is_active())
        X11ActiveGrab::end();
    xcb_test_fake_input(connection, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycodes.first(),
                        XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection);
}
