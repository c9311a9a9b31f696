#pragma once

#include <QString>
#include <QVector>

#include <xcb/xcb.h>

class X11Connection;

// Passive grabs of one key on the root window, one per modifier mask given (a key combination
// needs one for every lock-key state). Held until release() or destruction.
class X11KeyGrab {
public:
    X11KeyGrab() = default;
    // Grabs at once. Checked requests: a refusal (BadAccess when another client holds one of
    // them) is known on return, and then every grab made here is undone.
    X11KeyGrab(const X11Connection& x11, xcb_keycode_t keycode, const QVector<uint16_t>& masks,
               bool synchronous);
    ~X11KeyGrab();
    X11KeyGrab(X11KeyGrab&& other) noexcept;
    X11KeyGrab& operator=(X11KeyGrab&& other) noexcept;
    X11KeyGrab(const X11KeyGrab&) = delete;
    X11KeyGrab& operator=(const X11KeyGrab&) = delete;

    bool active() const { return !m_masks.isEmpty(); }
    xcb_keycode_t keycode() const { return m_keycode; }
    // Empty unless refused, else the X error as Xlib would word it.
    QString error() const { return m_error; }

    void release();

    static QString error_text(const xcb_generic_error_t* error);

private:
    const X11Connection* m_x11 = nullptr;
    xcb_keycode_t m_keycode = 0;
    QVector<uint16_t> m_masks;
    QString m_error;
};
