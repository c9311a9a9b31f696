#include "XWaylandPlatform.h"

#include "PortalGlobalHotkeys.h"
#include "WaylandPlatform.h"

#include <QDBusConnection>

XWaylandPlatform::XWaylandPlatform() {
    // Qt would pick Wayland in a Wayland session outside GNOME; this backend speaks X11 only.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}
XWaylandPlatform::~XWaylandPlatform() = default;

bool XWaylandPlatform::portal_shortcuts() {
    if (m_portal_offered < 0)
        m_portal_offered = PortalGlobalHotkeys::offered(QDBusConnection::sessionBus());
    return m_portal_offered > 0;
}

GlobalHotkeys& XWaylandPlatform::global_hotkeys() {
    if (!portal_shortcuts())
        return X11Platform::global_hotkeys();
    if (!m_portal_hotkeys)
        m_portal_hotkeys = std::make_unique<PortalGlobalHotkeys>(QDBusConnection::sessionBus());
    return *m_portal_hotkeys;
}

QString XWaylandPlatform::session_notice() {
    return QStringLiteral(
               "This Wayland desktop (GNOME, for one) lets no program see or set the clipboard, so "
               "Corvana works through XWayland: in X11 programs everything works; in Wayland "
               "programs Ctrl+V pastes the ordinary clipboard and what is copied there does not "
               "reach the history. ") +
           (portal_shortcuts()
                ? QStringLiteral("Corvana's shortcuts go through the desktop's GlobalShortcuts "
                                 "portal and work everywhere, once the desktop has bound them.")
                : QStringLiteral("Corvana's shortcuts work while an X11 program has the focus "
                                 "(GNOME 48 and later binds them everywhere through its "
                                 "GlobalShortcuts portal). For the full paste queue everywhere, "
                                 "log in to an X11 (Xorg) session."));
}

QString XWaylandPlatform::session_summary() {
    return portal_shortcuts() ? QStringLiteral("Queue in X11 programs only; shortcuts everywhere")
                              : QStringLiteral("Queue and shortcuts in X11 programs only");
}

std::unique_ptr<Platform> create_xwayland_platform() {
    if (!WaylandPlatform::session_is_wayland())
        return nullptr;
    return std::make_unique<XWaylandPlatform>();
}
