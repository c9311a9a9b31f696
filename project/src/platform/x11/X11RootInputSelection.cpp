#include "X11RootInputSelection.h"

#include "X11Connection.h"

#include <QtDebug>

#include <xcb/xinput.h>

#include <cstdlib>

X11RootInputSelection::X11RootInputSelection(const X11Connection& x11) : m_x11(x11) {}

bool X11RootInputSelection::available() const {
    return m_x11 && m_x11.xinput().present;
}

uint8_t X11RootInputSelection::opcode() const {
    return m_x11 ? m_x11.xinput().opcode : 0;
}

bool X11RootInputSelection::select() {
    uint32_t mask = 0;
    for (int bit = 0; bit < 32; ++bit) {
        if (m_users[size_t(bit)] > 0)
            mask |= 1u << bit;
    }
    struct {
        xcb_input_event_mask_t header;
        uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    xcb_connection_t* connection = m_x11.connection();
    xcb_generic_error_t* error =
        xcb_request_check(connection, xcb_input_xi_select_events_checked(connection, m_x11.root(),
                                                                         1, &selection.header));
    if (error) {
        qWarning("XInput event selection on the root window refused (X error %d)",
                 error->error_code);
        std::free(error);
        return false;
    }
    return true;
}

bool X11RootInputSelection::add(uint32_t mask) {
    if (!available())
        return false;
    for (int bit = 0; bit < 32; ++bit) {
        if (mask & (1u << bit))
            ++m_users[size_t(bit)];
    }
    if (select())
        return true;
    for (int bit = 0; bit < 32; ++bit) {
        if (mask & (1u << bit))
            --m_users[size_t(bit)];
    }
    return false;
}

void X11RootInputSelection::remove(uint32_t mask) {
    if (!available())
        return;
    for (int bit = 0; bit < 32; ++bit) {
        if ((mask & (1u << bit)) && m_users[size_t(bit)] > 0)
            --m_users[size_t(bit)];
    }
    select();
}
