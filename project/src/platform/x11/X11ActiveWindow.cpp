#include "X11ActiveWindow.h"

#include "X11Connection.h"

#include <cstdlib>
#include <cstring>

namespace {
// A WINDOW-typed property of window, or XCB_WINDOW_NONE.
xcb_window_t window_property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
    if (property == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
    const auto cookie = xcb_get_property(c, 0, window, property, XCB_ATOM_WINDOW, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
    xcb_window_t value = XCB_WINDOW_NONE;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
        std::memcpy(&value, xcb_get_property_value(reply), sizeof value);
    std::free(reply);
    return value;
}
} // namespace

X11ActiveWindow::X11ActiveWindow(const X11Connection& x11) : m_x11(x11) {}

bool X11ActiveWindow::window_manager_present(xcb_connection_t* c, xcb_window_t root) {
    if (m_net_supporting_wm_check == XCB_ATOM_NONE) {
        m_x11.intern({"_NET_SUPPORTING_WM_CHECK", "_NET_ACTIVE_WINDOW"});
        m_net_supporting_wm_check = m_x11.atom("_NET_SUPPORTING_WM_CHECK");
        m_net_active_window = m_x11.atom("_NET_ACTIVE_WINDOW");
    }
    // The check window names itself; a stale property left by a dead manager does not.
    const xcb_window_t check = window_property(c, root, m_net_supporting_wm_check);
    return check != XCB_WINDOW_NONE &&
           window_property(c, check, m_net_supporting_wm_check) == check;
}

quint64 X11ActiveWindow::current() {
    xcb_connection_t* c = m_x11.connection();
    if (!c)
        return 0;
    const xcb_window_t root = m_x11.root();
    if (window_manager_present(c, root)) {
        const xcb_window_t active = window_property(c, root, m_net_active_window);
        if (active != XCB_WINDOW_NONE)
            return active;
    }
    xcb_get_input_focus_reply_t* focus =
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    xcb_window_t window = focus ? focus->focus : xcb_window_t(XCB_WINDOW_NONE);
    std::free(focus);
    // PointerRoot and the root itself name no program's window.
    if (window == XCB_INPUT_FOCUS_POINTER_ROOT || window == root)
        window = XCB_WINDOW_NONE;
    return window;
}

bool X11ActiveWindow::activate(quint64 window, QString* error) {
    xcb_connection_t* c = m_x11.connection();
    if (!c) {
        *error = QStringLiteral("no X11 connection");
        return false;
    }
    const auto target = xcb_window_t(window);
    xcb_generic_error_t* gone = nullptr;
    free(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, target), &gone));
    if (gone) {
        std::free(gone);
        *error = QStringLiteral("window 0x%1 no longer exists").arg(window, 0, 16);
        return false;
    }
    const xcb_window_t root = m_x11.root();
    if (window_manager_present(c, root)) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = target;
        message.type = m_net_active_window;
        message.data.data32[0] = 2; // from a pager: managers honour it without focus-stealing rules
        message.data.data32[1] = m_x11.time();
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c);
        return true;
    }
    xcb_generic_error_t* refused = xcb_request_check(
        c, xcb_set_input_focus_checked(c, XCB_INPUT_FOCUS_PARENT, target, XCB_CURRENT_TIME));
    if (refused) {
        *error = QStringLiteral("the X server refused the focus (error %1)")
                     .arg(int(refused->error_code));
        std::free(refused);
        return false;
    }
    return true;
}
