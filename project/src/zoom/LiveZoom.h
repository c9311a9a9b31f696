#pragma once

#include "platform/MouseHook.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QTimer>

#include <functional>

// The live magnifier: the desktop around the pointer at a factor, zoomed in step by step and
// following the pointer once it leaves the view's inner rectangle. One for the whole run.
class LiveZoom : public QObject {
    Q_OBJECT
public:
    static constexpr float step = 0.01f;
    static constexpr int step_interval_ms = 2;

    static LiveZoom& instance();

    bool m_active = false;
    int m_margin = 100;
    float m_magnification = 1.0f;
    QRect m_screen_bounds;
    int m_view_width = 0;
    int m_view_height = 0;
    int m_view_x = 0;
    int m_view_y = 0;
    QPoint m_view_top_left;
    QPoint m_view_top_right;
    QPoint m_view_bottom_left;
    QPoint m_view_bottom_right;
    QRect m_inner_rect;

    // Below 1.0 refused; 1.0 at once; larger values zoom in by steps of 0.01 from a timer.
    void set_magnification(float factor);
    // Live zoom on (at factor, following the pointer) or off; returns on.
    bool switch_live(bool on, float factor);
    // Moves the view by as much as the pointer went past the inner rectangle.
    void follow_cursor();

    // What the mouse hook reports: the pointer's new place (follows it while active).
    void pointer_event(const MouseHook::Event& event);

    bool animating() const { return m_animation.isActive(); }
    QPoint pointer() const { return m_pointer; }
    // Back to the normal display and idle (the program is ending or a test starts over).
    void reset();

    // Tests give screens and a pointer of their own.
    void set_screen_source(std::function<QRect(const QPoint&)> screen_at);
    void set_pointer_source(std::function<QPoint()> pointer);

private:
    LiveZoom();
    void animation_step();
    void apply_view(int x, int y);
    void screens_changed();
    QRect screen_at(const QPoint& p) const;
    QPoint current_pointer() const;

    QTimer m_animation;
    float m_target = 1.0f;
    QPoint m_pointer;
    std::function<QRect(const QPoint&)> m_screen_at;
    std::function<QPoint()> m_pointer_source;
};
