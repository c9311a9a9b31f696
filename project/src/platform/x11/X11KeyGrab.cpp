#include "X11KeyGrab.h"

#include "X11Connection.h"

#include <cstdlib>
#include <utility>

X11KeyGrab::X11KeyGrab(const X11Connection& x11, xcb_keycode_t keycode,
                       const QVector<uint16_t>& masks, bool synchronous)
    : m_x11(&x11), m_keycode(keycode) {
    xcb_connection_t* connection = x11.connection();
    if (!connection) {
        m_error = QStringLiteral("no X connection");
        return;
    }
    const xcb_window_t root = x11.root();
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
            if (m_error.isEmpty())
                m_error = error_text(error);
            std::free(error);
        } else {
            m_masks.append(masks[i]);
        }
    }
    if (!m_error.isEmpty())
        release();
}

X11KeyGrab::~X11KeyGrab() {
    release();
}

X11KeyGrab::X11KeyGrab(X11KeyGrab&& other) noexcept
    : m_x11(other.m_x11), m_keycode(other.m_keycode), m_masks(std::exchange(other.m_masks, {})),
      m_error(std::move(other.m_error)) {}

X11KeyGrab& X11KeyGrab::operator=(X11KeyGrab&& other) noexcept {
    if (this != &other) {
        release();
        m_x11 = other.m_x11;
        m_keycode = other.m_keycode;
        m_masks = std::exchange(other.m_masks, {});
        m_error = std::move(other.m_error);
    }
    return *this;
}

void X11KeyGrab::release() {
    if (m_masks.isEmpty())
        return;
    xcb_connection_t* connection = m_x11 ? m_x11->connection() : nullptr;
    if (connection) {
        for (uint16_t mask : m_masks)
            xcb_ungrab_key(connection, m_keycode, m_x11->root(), mask);
        xcb_flush(connection);
    }
    m_masks.clear();
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
