#pragma once

#include "X11ActiveGrab.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <xcb/xcb.h>

#include <array>
#include <memory>
#include <optional>

typedef struct _XDisplay Display;

class X11KeyMap;
class X11RootInputSelection;

// What the backend needs to know about an extension on Qt's connection.
struct X11Extension {
    // On the server and, where a version is negotiated, that negotiation answered.
    bool present = false;
    uint8_t opcode = 0;
    uint8_t first_event = 0;
    // The version the server agreed to, where one is asked.
    uint32_t major = 0;
    uint32_t minor = 0;
};

// Qt's X connection and what the backend learns about it, asked once: the root window, the
// extensions, the interned atoms, the key map, and the per-connection state every X11 class
// shares (root input selection, the active grab). X11Platform makes it once the application
// exists and hands it to each X11 class; when Qt runs elsewhere the connection is null and
// the classes degrade.
class X11Connection {
public:
    X11Connection();
    ~X11Connection();
    X11Connection(const X11Connection&) = delete;
    X11Connection& operator=(const X11Connection&) = delete;

    xcb_connection_t* connection() const { return m_connection; }
    explicit operator bool() const { return m_connection != nullptr; }
    Display* display() const { return m_display; }
    xcb_window_t root() const { return m_root; }

    // The server time of the last user event Qt (or a backend class) saw.
    xcb_timestamp_t time() const;
    void set_time(xcb_timestamp_t time) const;

    // XFixes with version 4 negotiated (selection and cursor events).
    const X11Extension& xfixes() const;
    // XInput; present only when 2.2 is available.
    const X11Extension& xinput() const;
    const X11Extension& xtest() const;
    const X11Extension& shape() const;
    const X11Extension& xkb() const;
    // Version 0.11 negotiated.
    const X11Extension& render() const;
    // Version 0.4 asked.
    const X11Extension& composite() const;
    // Version 1.1 negotiated.
    const X11Extension& damage() const;

    // Interned on first use and remembered; XCB_ATOM_NONE without a connection.
    xcb_atom_t atom(const QString& name) const;
    // Interns those not known yet in one round trip.
    void intern(const QStringList& names) const;

    // Made on first use: its event filter should only run when someone needs the map.
    std::shared_ptr<X11KeyMap> key_map() const;
    X11RootInputSelection& root_input() const;
    X11ActiveGrab& active_grab() const { return m_active_grab; }

private:
    enum Kind { XFixes, XInput, XTest, Shape, Xkb, Render, Composite, Damage, KindCount };
    const X11Extension& extension(Kind kind) const;
    X11Extension query(Kind kind) const;

    xcb_connection_t* m_connection = nullptr;
    Display* m_display = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    mutable std::array<std::optional<X11Extension>, KindCount> m_extensions;
    mutable QHash<QString, xcb_atom_t> m_atoms;
    mutable std::shared_ptr<X11KeyMap> m_key_map;
    mutable std::unique_ptr<X11RootInputSelection> m_root_input;
    mutable X11ActiveGrab m_active_grab;
};
