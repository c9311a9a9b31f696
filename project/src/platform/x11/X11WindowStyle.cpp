#include "X11WindowStyle.h"

#include "X11Connection.h"

#include <QWidget>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdlib>

bool X11WindowStyle::set_click_through(QWidget* window, bool on, QString* error) {
    xcb_connection_t* connection = m_x11.connection();
    if (!connection || !window) {
        if (error)
            *error = QStringLiteral("no X11 connection");
        return false;
    }
    if (!m_x11.shape().present) {
        if (error)
            *error = QStringLiteral("the X server has no SHAPE extension");
        return false;
    }
    const auto id = xcb_window_t(window->winId());
    xcb_void_cookie_t cookie;
    if (on)
        // No rectangles: an empty input region.
        cookie = xcb_shape_rectangles_checked(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                                              XCB_CLIP_ORDERING_UNSORTED, id, 0, 0, 0, nullptr);
    else
        // No mask: the input region is the whole window again.
        cookie = xcb_shape_mask_checked(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, id, 0, 0,
                                        XCB_NONE);
    if (xcb_generic_error_t* failure = xcb_request_check(connection, cookie)) {
        if (error)
            *error = QStringLiteral("the X server refused the input shape (error %1)")
                         .arg(failure->error_code);
        std::free(failure);
        return false;
    }
    return true;
}
