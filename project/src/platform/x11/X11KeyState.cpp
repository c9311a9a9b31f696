#include "X11KeyState.h"

#include "X11Connection.h"
#include "X11KeyMap.h"
#include "X11Keyboard.h"

#include <cstdlib>

X11KeyState::X11KeyState(const X11Connection& x11) : m_x11(x11), m_key_map(x11.key_map()) {}

X11KeyState::~X11KeyState() = default;

void X11KeyState::set_keyboard(X11Keyboard* keyboard) {
    m_keyboard = keyboard;
}

bool X11KeyState::is_key_down(int virtual_key) const {
    const QVector<xcb_keycode_t> keycodes = m_key_map->keycodes_for_virtual_key(virtual_key);
    if (keycodes.isEmpty())
        return false;
    if (m_keyboard && m_keyboard->tracks_keys()) {
        for (xcb_keycode_t keycode : keycodes) {
            if (m_keyboard->is_keycode_down(keycode))
                return true;
        }
        return false;
    }
    xcb_connection_t* connection = m_x11.connection();
    if (!connection)
        return false;
    xcb_query_keymap_reply_t* keys =
        xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
    if (!keys)
        return false;
    bool down = false;
    for (xcb_keycode_t keycode : keycodes)
        down = down || (keys->keys[keycode / 8] & (1 << (keycode % 8)));
    std::free(keys);
    return down;
}
