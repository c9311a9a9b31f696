#include "X11RootInputSelection.h"

#include <QX11Info>
#include <QtDebug>

#include <xcb/xinput.h>

#include <array>
#include <cstdlib>

namespace {

struct State {
    xcb_connection_t* connection = nullptr;
    bool available = false;
    uint8_t opcode = 0;
    std::array<int, 32> users{};
};

State& state() {
    static State instance;
    return instance;
}

// Re-checks when Qt's connection is a new one (a second QApplication in a test program).
State& current() {
    State& s = state();
    xcb_connection_t* connection = QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
    if (connection == s.connection)
        return s;
    s = State{};
    s.connection = connection;
    if (!connection)
        return s;
    const xcb_query_extension_reply_t* extension =
        xcb_get_extension_data(connection, &xcb_input_id);
    if (!extension || !extension->present) {
        qWarning("XInput extension missing: no raw key events");
        return s;
    }
    s.opcode = extension->major_opcode;
    xcb_generic_error_t* error = nullptr;
    xcb_input_xi_query_version_reply_t* version = xcb_input_xi_query_version_reply(
        connection, xcb_input_xi_query_version(connection, 2, 2), &error);
    if (version) {
        s.available = version->major_version > 2 ||
                      (version->major_version == 2 && version->minor_version >= 2);
        if (!s.available)
            qWarning("XInput %d.%d on the server, 2.2 needed: no raw key events",
                     version->major_version, version->minor_version);
        std::free(version);
    } else {
        // BadValue means this connection already settled on a later version (Qt asks too).
        s.available = error && error->error_code == XCB_VALUE;
        if (!s.available)
            qWarning("XInput version query failed: no raw key events");
    }
    std::free(error);
    return s;
}

bool select(State& s) {
    uint32_t mask = 0;
    for (int bit = 0; bit < 32; ++bit) {
        if (s.users[size_t(bit)] > 0)
            mask |= 1u << bit;
    }
    struct {
        xcb_input_event_mask_t header;
        uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    const auto root = xcb_window_t(QX11Info::appRootWindow());
    xcb_generic_error_t* error = xcb_request_check(
        s.connection, xcb_input_xi_select_events_checked(s.connection, root, 1, &selection.header));
    if (error) {
        qWarning("XInput event selection on the root window refused (X error %d)",
                 error->error_code);
        std::free(error);
        return false;
    }
    return true;
}

} // namespace

bool X11RootInputSelection::available() {
    return current().available;
}

uint8_t X11RootInputSelection::opcode() {
    return current().opcode;
}

bool X11RootInputSelection::add(uint32_t mask) {
    State& s = current();
    if (!s.available)
        return false;
    for (int bit = 0; bit < 32; ++bit) {
        if (mask & (1u << bit))
            ++s.users[size_t(bit)];
    }
    if (select(s))
        return true;
    for (int bit = 0; bit < 32; ++bit) {
        if (mask & (1u << bit))
            --s.users[size_t(bit)];
    }
    return false;
}

void X11RootInputSelection::remove(uint32_t mask) {
    State& s = current();
    if (!s.available)
        return;
    for (int bit = 0; bit < 32; ++bit) {
        if ((mask & (1u << bit)) && s.users[size_t(bit)] > 0)
            --s.users[size_t(bit)];
    }
    select(s);
}
