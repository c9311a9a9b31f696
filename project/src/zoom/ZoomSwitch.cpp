#include "zoom/ZoomSwitch.h"

#include "common/ToolState.h"
#include "zoom/LiveZoom.h"
#include "zoom/Zoom.h"
#include "zoom/ZoomItMenu.h"

ZoomSwitch::ZoomSwitch(ToolState& state, Zoom& zoom, const ZoomItMenu& menu)
    : m_state(state), m_zoom(zoom), m_menu(menu) {}

void ZoomSwitch::toggle_live() {
    if (!m_state.m_dead_zoom_active)
        m_state.m_live_zoom_active =
            LiveZoom::instance().switch_live(!m_state.m_live_zoom_active, m_menu.zoom_level());
}

void ZoomSwitch::toggle_pen() {
    if (m_state.m_live_zoom_active)
        return;
    if (m_state.m_dead_zoom_active)
        return end_pen();
    connect(&m_zoom, &QDialog::rejected, this, &ZoomSwitch::end_pen, Qt::UniqueConnection);
    m_zoom.start(m_menu.zoom_level());
    m_state.m_dead_zoom_active = true;
}

void ZoomSwitch::end_pen() {
    disconnect(&m_zoom, &QDialog::rejected, this, &ZoomSwitch::end_pen);
    m_zoom.finish();
    m_state.m_dead_zoom_active = false;
}
