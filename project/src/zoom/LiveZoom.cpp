#include "zoom/LiveZoom.h"

#include "common/AppLog.h"
#include "platform/Magnifier.h"
#include "platform/Platform.h"

#include <QCursor>
#include <QDebug>
#include <QGuiApplication>
#include <QScreen>

LiveZoom& LiveZoom::instance() {
    // Never destroyed: it would outlive the application object at exit. App resets it first.
    static LiveZoom* zoom = new LiveZoom;
    return *zoom;
}

LiveZoom::LiveZoom() {
    m_animation.setTimerType(Qt::PreciseTimer);
    m_animation.setInterval(step_interval_ms);
    connect(&m_animation, &QTimer::timeout, this, &LiveZoom::animation_step);
    const QString unavailable = Platform::instance().magnifier().unavailable();
    QString error;
    // Said once here; the pointer need not be followed then.
    if (!unavailable.isEmpty())
        APP_LOG(QStringLiteral("Live zoom is not available on this desktop: ") + unavailable);
    else if (!Platform::instance().mouse_hook().install(
                 [this](const MouseHook::Event& event) { pointer_event(event); }, &error))
        qDebug().noquote() << "Error:" << error
                           << "- the magnified view will not follow the pointer";
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &LiveZoom::screens_changed);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &LiveZoom::screens_changed);
}

void LiveZoom::set_screen_source(std::function<QRect(const QPoint&)> screen_at) {
    m_screen_at = std::move(screen_at);
}

void LiveZoom::set_pointer_source(std::function<QPoint()> pointer) {
    m_pointer_source = std::move(pointer);
}

QRect LiveZoom::screen_at(const QPoint& p) const {
    if (m_screen_at)
        return m_screen_at(p);
    QScreen* screen = QGuiApplication::screenAt(p);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

QPoint LiveZoom::current_pointer() const {
    return m_pointer_source ? m_pointer_source() : QCursor::pos();
}

void LiveZoom::pointer_event(const MouseHook::Event& event) {
    m_pointer = event.position;
    if (m_active)
        follow_cursor();
}

void LiveZoom::set_magnification(float factor) {
    if (factor < 1.0f) {
        qDebug() << "Error, invalid value";
        return;
    }
    if (factor == 1.0f) {
        m_animation.stop();
        m_magnification = 1.0f;
        m_target = 1.0f;
        QString error;
        if (!Platform::instance().magnifier().set_view(
                1.0f, QRect(m_view_x, m_view_y, m_view_width, m_view_height), m_screen_bounds,
                &error))
            qDebug().noquote() << "Magnifier:" << error;
        return;
    }
    if (factor <= m_magnification)
        return;
    m_target = std::max(m_target, factor);
    // Steps from a timer: the program keeps handling keys and pastes while zooming in.
    if (!m_animation.isActive()) {
        animation_step();
        if (m_magnification < m_target)
            m_animation.start();
    }
}

bool LiveZoom::switch_live(bool on, float factor) {
    const QString unavailable = Platform::instance().magnifier().unavailable();
    if (on && !unavailable.isEmpty()) {
        APP_LOG(QStringLiteral("Live zoom is not available on this desktop: ") + unavailable);
        on = false;
    }
    m_active = on;
    set_magnification(on ? factor : 1.0f);
    return on;
}

void LiveZoom::animation_step() {
    if (m_magnification >= m_target) {
        m_animation.stop();
        return;
    }
    m_magnification = float(double(m_magnification) + double(step));
    const QPoint p = current_pointer();
    m_pointer = p;
    m_screen_bounds = screen_at(p);
    // The view's size comes from the screen it is on, so it fits screens of any size.
    m_view_width = int(m_screen_bounds.width() / m_magnification);
    m_view_height = int(m_screen_bounds.height() / m_magnification);
    m_view_x = p.x() - m_view_width / 2;
    m_view_y = p.y() - m_view_height / 2;
    apply_view(m_view_x, m_view_y);
    m_view_x = m_view_top_left.x();
    m_view_y = m_view_top_left.y();
    if (m_magnification >= m_target) {
        m_animation.stop();
        qDebug().noquote() << QStringLiteral("Live zoom view %1 %2 %3 %4 at %5")
                                  .arg(m_view_x)
                                  .arg(m_view_y)
                                  .arg(m_view_width)
                                  .arg(m_view_height)
                                  .arg(double(m_magnification));
    }
}

void LiveZoom::apply_view(int x, int y) {
    const int w = m_view_width, h = m_view_height;
    const QRect& b = m_screen_bounds;
    const int right = x + w, bottom = y + h; // one past the view
    if (x < b.left())
        x = b.left();
    if (y < b.top())
        y = b.top();
    // The view may reach the screen's last row and column, not stop one short of them.
    if (bottom > b.bottom() + 1)
        y = b.bottom() + 1 - h;
    if (right > b.right() + 1)
        x = b.right() + 1 - w;
    const bool moved = QPoint(x, y) != m_view_top_left || w != m_view_top_right.x() - x ||
                       h != m_view_bottom_left.y() - y;
    m_view_top_left = QPoint(x, y);
    m_view_top_right = QPoint(x + w, y);
    m_view_bottom_left = QPoint(x, y + h);
    m_view_bottom_right = QPoint(x + w, y + h);
    m_inner_rect =
        QRect(QPoint(x + m_margin, y + m_margin), QPoint(x + w - m_margin, y + h - m_margin));
    if (!moved && !animating())
        return;
    QString error;
    if (!Platform::instance().magnifier().set_view(m_magnification, QRect(x, y, w, h), b, &error))
        qDebug().noquote() << "Magnifier:" << error;
}

void LiveZoom::follow_cursor() {
    const QPoint p = m_pointer;
    if (m_magnification <= 1.0f || m_inner_rect.contains(p))
        return;
    int x = m_view_top_left.x(), y = m_view_top_left.y();
    if (p.x() <= m_inner_rect.left())
        x += p.x() - m_inner_rect.left();
    if (p.x() >= m_inner_rect.right())
        x += p.x() - m_inner_rect.right();
    if (p.y() <= m_inner_rect.top())
        y += p.y() - m_inner_rect.top();
    if (p.y() >= m_inner_rect.bottom())
        y += p.y() - m_inner_rect.bottom();
    apply_view(x, y);
}

void LiveZoom::screens_changed() {
    if (m_magnification <= 1.0f)
        return;
    // The screen under the view may be gone: take the one under the pointer now.
    m_screen_bounds = screen_at(current_pointer());
    m_view_width = int(m_screen_bounds.width() / m_magnification);
    m_view_height = int(m_screen_bounds.height() / m_magnification);
    apply_view(m_view_top_left.x(), m_view_top_left.y());
}

void LiveZoom::reset() {
    m_active = false;
    set_magnification(1.0f);
    m_view_top_left = m_view_top_right = m_view_bottom_left = m_view_bottom_right = QPoint();
    m_inner_rect = QRect();
}
