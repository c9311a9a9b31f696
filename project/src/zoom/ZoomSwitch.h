#pragma once

#include <QObject>

struct ToolState;
class Zoom;
class ZoomItMenu;

// Switches the two zoom tools on and off; one of them at a time, at the page's zoom level.
class ZoomSwitch : public QObject {
    Q_OBJECT
public:
    ZoomSwitch(ToolState& state, Zoom& zoom, const ZoomItMenu& menu);

    void toggle_live();
    void toggle_pen();
    void end_pen();

private:
    ToolState& m_state;
    Zoom& m_zoom;
    const ZoomItMenu& m_menu;
};
