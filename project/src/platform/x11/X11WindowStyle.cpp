#include "X11WindowStyle.h"

#include <QWidget>
#include <QX11Info>
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdlib>

bool X11WindowStyle::set_click_through(QWidget* window, bool on, QString* error) {
    xcb_connection_t* connection = QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
    if (!connection || !window) {
        if (error)
            *error = QStringLiteral("no X11 connection");
        return false;
    }
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(connection, &xcb_shape_id);
    if (!shape || !shape->present) {
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
