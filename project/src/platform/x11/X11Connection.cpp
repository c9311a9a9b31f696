#include "X11Connection.h"

#include "X11KeyMap.h"
#include "X11RootInputSelection.h"

#include <QX11Info>
#include <QtDebug>

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/render.h>
#include <xcb/shape.h>
#include <xcb/xfixes.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <cstdlib>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> reply(T* raw) {
    return Reply<T>(raw, &std::free);
}

X11Extension from_data(const xcb_query_extension_reply_t* data) {
    X11Extension e;
    if (data && data->present) {
        e.present = true;
        e.opcode = data->major_opcode;
        e.first_event = data->first_event;
    }
    return e;
}

} // namespace

X11Connection::X11Connection() {
    if (!QX11Info::isPlatformX11())
        return;
    m_connection = QX11Info::connection();
    m_display = QX11Info::display();
    m_root = xcb_window_t(QX11Info::appRootWindow());
    m_active_grab = X11ActiveGrab(m_connection);
}

X11Connection::~X11Connection() = default;

xcb_timestamp_t X11Connection::time() const {
    return m_connection ? xcb_timestamp_t(QX11Info::appTime()) : XCB_CURRENT_TIME;
}

void X11Connection::set_time(xcb_timestamp_t time) const {
    if (m_connection)
        QX11Info::setAppTime(time);
}

const X11Extension& X11Connection::xfixes() const {
    return extension(XFixes);
}
const X11Extension& X11Connection::xinput() const {
    return extension(XInput);
}
const X11Extension& X11Connection::xtest() const {
    return extension(XTest);
}
const X11Extension& X11Connection::shape() const {
    return extension(Shape);
}
const X11Extension& X11Connection::xkb() const {
    return extension(Xkb);
}
const X11Extension& X11Connection::render() const {
    return extension(Render);
}
const X11Extension& X11Connection::composite() const {
    return extension(Composite);
}
const X11Extension& X11Connection::damage() const {
    return extension(Damage);
}

const X11Extension& X11Connection::extension(Kind kind) const {
    std::optional<X11Extension>& known = m_extensions[size_t(kind)];
    if (!known)
        known = m_connection ? query(kind) : X11Extension{};
    return *known;
}

X11Extension X11Connection::query(Kind kind) const {
    xcb_connection_t* c = m_connection;
    switch (kind) {
    case XFixes: {
        X11Extension e = from_data(xcb_get_extension_data(c, &xcb_xfixes_id));
        if (e.present) {
            // Negotiated once for the whole connection: a lower version asked later would
            // lower it for Qt too.
            auto v = reply(
                xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
            if (v) {
                e.major = v->major_version;
                e.minor = v->minor_version;
            }
        }
        return e;
    }
    case XInput: {
        X11Extension e = from_data(xcb_get_extension_data(c, &xcb_input_id));
        if (!e.present) {
            qWarning("XInput extension missing: no raw key events");
            return e;
        }
        xcb_generic_error_t* error = nullptr;
        auto v =
            reply(xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), &error));
        if (v) {
            e.major = v->major_version;
            e.minor = v->minor_version;
            e.present = e.major > 2 || (e.major == 2 && e.minor >= 2);
            if (!e.present)
                qWarning("XInput %u.%u on the server, 2.2 needed: no raw key events", e.major,
                         e.minor);
        } else {
            // BadValue means this connection already settled on a later version (Qt asks too).
            e.present = error && error->error_code == XCB_VALUE;
            if (!e.present)
                qWarning("XInput version query failed: no raw key events");
        }
        std::free(error);
        return e;
    }
    case XTest:
        return from_data(xcb_get_extension_data(c, &xcb_test_id));
    case Shape:
        return from_data(xcb_get_extension_data(c, &xcb_shape_id));
    case Xkb: {
        // Asked by name: xcb-xkb is not needed just for its event base.
        const char name[] = "XKEYBOARD";
        auto xkb = reply(
            xcb_query_extension_reply(c, xcb_query_extension(c, sizeof(name) - 1, name), nullptr));
        return from_data(xkb.get());
    }
    case Render: {
        X11Extension e = from_data(xcb_get_extension_data(c, &xcb_render_id));
        if (e.present) {
            auto v = reply(
                xcb_render_query_version_reply(c, xcb_render_query_version(c, 0, 11), nullptr));
            if (v) {
                e.major = v->major_version;
                e.minor = v->minor_version;
            }
        }
        return e;
    }
    case Composite: {
        X11Extension e = from_data(xcb_get_extension_data(c, &xcb_composite_id));
        if (e.present) {
            auto v = reply(xcb_composite_query_version_reply(
                c, xcb_composite_query_version(c, 0, 4), nullptr));
            if (v) {
                e.major = v->major_version;
                e.minor = v->minor_version;
            }
        }
        return e;
    }
    case Damage: {
        X11Extension e = from_data(xcb_get_extension_data(c, &xcb_damage_id));
        if (e.present) {
            auto v = reply(
                xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr));
            // Damage objects may only be made once the version is agreed.
            e.present = bool(v);
            if (v) {
                e.major = v->major_version;
                e.minor = v->minor_version;
            }
        }
        return e;
    }
    case KindCount:
        break;
    }
    return {};
}

xcb_atom_t X11Connection::atom(const QString& name) const {
    if (!m_atoms.contains(name))
        intern({name});
    return m_atoms.value(name, XCB_ATOM_NONE);
}

void X11Connection::intern(const QStringList& names) const {
    if (!m_connection)
        return;
    QVector<QPair<QString, xcb_intern_atom_cookie_t>> cookies;
    for (const QString& name : names) {
        if (m_atoms.contains(name))
            continue;
        const QByteArray latin = name.toLatin1();
        cookies.append(
            {name, xcb_intern_atom(m_connection, 0, uint16_t(latin.size()), latin.constData())});
    }
    // Sent together: one round trip for all.
    for (const auto& cookie : cookies) {
        auto answer = reply(xcb_intern_atom_reply(m_connection, cookie.second, nullptr));
        // A failed request (a broken connection) is not remembered: the next use asks again.
        if (answer)
            m_atoms.insert(cookie.first, answer->atom);
    }
}

std::shared_ptr<X11KeyMap> X11Connection::key_map() const {
    if (!m_key_map)
        m_key_map = std::make_shared<X11KeyMap>(*this);
    return m_key_map;
}

X11RootInputSelection& X11Connection::root_input() const {
    if (!m_root_input)
        m_root_input = std::make_unique<X11RootInputSelection>(*this);
    return *m_root_input;
}
