#pragma once

#include <xcb/xcb.h>

// Which of our asynchronous passive grabs (a hotkey, Print) the server has made active: from
// the KeyPress that activated it until that key's release. Injected keys would come to us
// while one is, so the injector ends it first, and only then: an unconditional ungrab would
// also end the Ctrl+V grab that an injected V has just activated, and the press would be lost.
class X11ActiveGrab {
public:
    explicit X11ActiveGrab(xcb_connection_t* connection = nullptr) : m_connection(connection) {}

    void activated(xcb_keycode_t keycode);
    // A key release on the root: ends the grab when it is the activating key's.
    void key_released(xcb_keycode_t keycode);
    bool is_active() const;
    // Ends the active grab now (the release will not come to us then).
    void end();

private:
    xcb_connection_t* m_connection;
    int m_keycode = -1;
};
