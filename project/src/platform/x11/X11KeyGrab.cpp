#include "X11KeyGrab.h"

#include <QX11Info>

#include <cstdlib>
#include <utility>

namespace {

xcb_connection_t* x_connection() {
    return QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
}

} // namespace

X11KeyGrab::X11KeyGrab(xcb_keycode_t keycode, const QVector<uint16_t>& masks, bool synchronous)
    : keycode_(keycode) {
    xcb_connection_t* connection = x_connection();
    if (!connection) {
        error_ = QStringLiteral("no X connection");
        return;
    }
    const auto root = xcb_window_t(QX11Info::appRootWindow());
    const uint8_t keyboard_mode = synchronous ? XCB_GRAB_MODE_SYNC : XCB_GRAB_MODE_ASYNC;
    QVector<xcb_void_cookie_t> cookies;
    cookies.reserve(masks.size());
    for (uint16_t mask : masks) {
        cookies.append(xcb_grab_key_checked(connection, 0, root, mask, keycode, XCB_GRAB_MODE_ASYNC,
                                            keyboard_mode));
    }
    // Sent together, so one round trip answers them all.
    for (int i = 0; i < cookies.size(); ++i) {
        xcb_generic_error_t* error = xcb_request_check(connection, cookies[i]);
        if (error) {
            if (error_.isEmpty())
                error_ = error_text(error);
            std::free(error);
        } else {
            masks_.append(masks[i]);
        }
    }
    if (!error_.isEmpty())
        release();
}

X11KeyGrab::~X11KeyGrab() {
    release();
}

X11KeyGrab::X11KeyGrab(X11KeyGrab&& other) noexcept
    : keycode_(other.keycode_), masks_(std::exchange(other.masks_, {})),
      error_(std::move(other.error_)) {}

X11KeyGrab& X11KeyGrab::operator=(X11KeyGrab&& other) noexcept {
    if (this != &other) {
        release();
        keycode_ = other.keycode_;
        masks_ = std::exchange(other.masks_, {});
        error_ = std::move(other.error_);
    }
    return *this;
}

void X11KeyGrab::release() {
    if (masks_.isEmpty())
        return;
    xcb_connection_t* connection = x_connection();
    if (connection) {
        const auto root = xcb_window_t(QX11Info::appRootWindow());
        for (uint16_t mask : masks_)
            xcb_ungrab_key(connection, keycode_, root, mask);
        xcb_flush(connection);
    }
    masks_.clear();
}

QString X11KeyGrab::error_text(const xcb_generic_error_t* error) {
    static const char* const names[] = {
        nullptr,
        "BadRequest (invalid request code or no such operation)",
        "BadValue (integer parameter out of range for operation)",
        "BadWindow (invalid Window parameter)",
        "BadPixmap (invalid Pixmap parameter)",
        "BadAtom (invalid Atom parameter)",
        "BadCursor (invalid Cursor parameter)",
        "BadFont (invalid Font parameter)",
        "BadMatch (invalid parameter attributes)",
        "BadDrawable (invalid Pixmap or Window parameter)",
        "BadAccess (attempt to access private resource denied)",
        "BadAlloc (insufficient resources for operation)",
        "BadColor (invalid Colormap parameter)",
        "BadGC (invalid GC parameter)",
        "BadIDChoice (invalid resource ID chosen for this connection)",
        "BadName (named color or font does not exist)",
        "BadLength (poly request too large or internal Xlib length error)",
        "BadImplementation (server does not implement operation)",
    };
    const int code = error ? error->error_code : 0;
    if (code > 0 && code < int(sizeof(names) / sizeof(names[0])))
        return QString::fromLatin1(names[code]);
    return QStringLiteral("X error %1").arg(code);
}
