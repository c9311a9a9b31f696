#pragma once

#include "X11Platform.h"

#include <memory>

class GlobalHotkeys;

// A Wayland desktop that keeps the clipboard from programs (GNOME): Corvana works as an X11
// program through XWayland, which serves X11 programs only, and takes its shortcuts from the
// desktop's GlobalShortcuts portal where there is one (GNOME 48 and later), so that they work
// whichever program has the focus.
class XWaylandPlatform : public X11Platform {
public:
    XWaylandPlatform();
    ~XWaylandPlatform() override;

    GlobalHotkeys& global_hotkeys() override;
    QString session_notice() override;
    QString session_summary() override;

private:
    bool portal_shortcuts();

    std::unique_ptr<GlobalHotkeys> m_portal_hotkeys;
    int m_portal_offered = -1; // not asked yet
};
