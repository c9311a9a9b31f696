#pragma once

#include <QString>

// What the screen tools remember between uses.
struct ToolState {
    // Where the last screenshot went: the desktop, or the pictures folder when the desktop
    // folder could not be used. A click on the notification opens it.
    QString m_screenshot_folder;
    // The two zoom tools exclude each other.
    bool m_live_zoom_active = false;
    bool m_dead_zoom_active = false;
};
