#pragma once

#include "X11MagnifierWatch.h"
#include "platform/Magnifier.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QSet>
#include <QTimer>

#include <xcb/damage.h>
#include <xcb/render.h>
#include <xcb/xcb.h>

// An always-on-top window over the screen, transparent to input, that the X server paints
// with the magnified view. Its source is every other top-level window (Composite keeps their
// contents; Damage says when they change), composed and scaled by RENDER inside the server, so
// it never magnifies itself. The real pointer is hidden and drawn, magnified, at its place.
// The windows' places and the pointer's picture come from events, so a frame asks the server
// only where the pointer is.
// Without Composite it shows the screen as it was when it appeared.
class X11Connection;

class X11Magnifier : public QObject, public Magnifier, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11Magnifier(const X11Connection& x11);
    ~X11Magnifier() override;

    bool set_view(float factor, const QRect& view, const QRect& screen, QString* error) override;
    bool nativeEventFilter(const QByteArray& event_type, void* message, long* result) override;

    bool shown() const { return m_window != XCB_NONE; }
    // Paints one frame now and waits until the server has done it (for measurements).
    void render_now();
    int frames() const { return m_frames; }

private:
    struct Source {
        xcb_render_picture_t picture = XCB_NONE;
        xcb_damage_damage_t damage = XCB_NONE;
        bool alpha = false;
    };

    bool init_extensions(QString* error);
    bool start(const QRect& screen, QString* error);
    void stop();
    // A copy of the screen's pixels as the root shows them, taken now.
    xcb_pixmap_t snapshot(const QRect& screen, uint32_t subwindow_mode);
    void tick();
    void render();
    void compose_windows(xcb_render_picture_t target);
    void draw_pointer(double sx, double sy);
    // The pointer's picture as the server has it now.
    void load_cursor();
    void forget_sources(const QSet<xcb_window_t>& keep);
    xcb_render_pictformat_t format_for_visual(xcb_visualid_t visual) const;

    const X11Connection& m_x11;
    xcb_connection_t* m_c = nullptr;
    xcb_window_t m_root = XCB_NONE;
    bool m_extensions_checked = false;
    bool m_render = false, m_composite = false, m_damage = false, m_xfixes = false;
    uint8_t m_damage_event = 0;
    QHash<xcb_visualid_t, xcb_render_pictformat_t> m_visual_formats;
    QSet<xcb_render_pictformat_t> m_alpha_formats;
    xcb_render_pictformat_t m_argb32 = XCB_NONE;
    xcb_render_pictformat_t m_root_format = XCB_NONE;
    // Windows were redirected for this run of the magnifier.
    bool m_redirected = false;
    X11MagnifierWatch m_watch;

    xcb_window_t m_window = XCB_NONE;
    xcb_render_picture_t m_window_picture = XCB_NONE;
    xcb_pixmap_t m_view_pixmap = XCB_NONE;
    xcb_render_picture_t m_view_picture = XCB_NONE;
    QSize m_view_pixmap_size;
    // The desktop's own background, under every window.
    xcb_pixmap_t m_background = XCB_NONE;
    xcb_render_picture_t m_background_picture = XCB_NONE;
    // Without Composite: the screen as it was when the magnifier appeared.
    xcb_pixmap_t m_snapshot = XCB_NONE;
    xcb_render_picture_t m_snapshot_picture = XCB_NONE;
    QHash<xcb_window_t, Source> m_sources;
    QSet<xcb_damage_damage_t> m_damaged;
    QSet<xcb_damage_damage_t> m_live_damage;

    xcb_pixmap_t m_cursor_pixmap = XCB_NONE;
    xcb_render_picture_t m_cursor_picture = XCB_NONE;
    uint32_t m_cursor_serial = 0;
    QSize m_cursor_size;
    QPoint m_cursor_hot;
    bool m_cursor_hidden = false;

    QRect m_screen;
    QRect m_view;
    float m_factor = 1.0f;
    QPoint m_pointer;
    bool m_dirty = false;
    int m_frames = 0;
    QTimer m_timer;
};
