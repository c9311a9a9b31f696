#include "screenshot/CaptureCanvas.h"

#include <QPaintEvent>
#include <QPainter>
#include <QtMath>

namespace {
// Pixels an outline can touch on each side of its rectangle's edge (pen width 2, antialiased).
constexpr int outline_reach = 3;
} // namespace

CaptureCanvas::CaptureCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CaptureCanvas::set_pictures(const QPixmap& clean, const QPixmap& dimmed, qreal ratio) {
    m_clean = clean;
    m_dimmed = dimmed;
    m_ratio = ratio > 0 ? ratio : 1.0;
    setFixedSize(to_widget(QRect(QPoint(0, 0), clean.size())).size());
    update();
}

QPoint CaptureCanvas::to_picture(const QPointF& p) const {
    // The toolkit hands real pixel positions divided by the ratio: multiplying back gives
    // whole numbers again, up to rounding.
    return QPoint(qRound(p.x() * m_ratio), qRound(p.y() * m_ratio));
}

QRect CaptureCanvas::to_widget(const QRect& r) const {
    if (m_ratio == 1.0 || r.isEmpty())
        return r;
    const int left = qFloor(r.x() / m_ratio), top = qFloor(r.y() / m_ratio);
    const int right = qCeil((qreal(r.x()) + r.width()) / m_ratio);
    const int bottom = qCeil((qreal(r.y()) + r.height()) / m_ratio);
    return QRect(left, top, right - left, bottom - top);
}

QRegion CaptureCanvas::to_picture(const QRegion& area) const {
    if (m_ratio == 1.0)
        return area;
    QRegion out;
    for (const QRect& r : area) {
        const int left = qFloor(r.x() * m_ratio), top = qFloor(r.y() * m_ratio);
        const int right = qCeil((qreal(r.x()) + r.width()) * m_ratio);
        const int bottom = qCeil((qreal(r.y()) + r.height()) * m_ratio);
        out += QRect(left, top, right - left, bottom - top);
    }
    return out;
}

void CaptureCanvas::repaint_area(const QRegion& area) {
    if (m_ratio == 1.0) {
        update(area);
        return;
    }
    QRegion widget_area;
    for (const QRect& r : area)
        widget_area += to_widget(r);
    update(widget_area);
}

QRect CaptureCanvas::normalized(const QRect& r) {
    // QRect::normalized() shifts a backward rectangle by a pixel; corners are what counts here.
    return QRect(QPoint(std::min(r.left(), r.right()), std::min(r.top(), r.bottom())),
                 QPoint(std::max(r.left(), r.right()), std::max(r.top(), r.bottom())));
}

QRegion CaptureCanvas::outline_band(const QRect& r, int width) {
    if (r.isNull())
        return QRegion();
    const QRect n = normalized(r);
    return QRegion(n.adjusted(-width, -width, width, width)) -
           QRegion(n.adjusted(width, width, -width, -width));
}

void CaptureCanvas::set_selection(const QRect& selection) {
    if (selection == m_selection)
        return;
    auto grown = [](const QRect& r, int by) {
        return r.isValid() ? QRegion(r.adjusted(-by, -by, by, by)) : QRegion();
    };
    // Pixels inside both old and new areas (away from the outlines) keep their look.
    const QRegion outer = grown(m_selection, outline_reach) + grown(selection, outline_reach);
    const QRegion inner = grown(m_selection, -outline_reach) & grown(selection, -outline_reach);
    m_selection = selection;
    repaint_area(outer - inner);
}

void CaptureCanvas::add_rectangle(const Rectangle& rectangle) {
    m_rectangles.append(rectangle);
    repaint_area(outline_band(rectangle.rect, outline_reach));
}

void CaptureCanvas::set_last_rectangle(const QRect& rect) {
    if (m_rectangles.isEmpty())
        return;
    QRect& last = m_rectangles.last().rect;
    const QRegion dirty = outline_band(last, outline_reach) + outline_band(rect, outline_reach);
    last = rect;
    repaint_area(dirty);
}

void CaptureCanvas::truncate_rectangles(int count) {
    if (count >= m_rectangles.size())
        return;
    QRegion dirty;
    for (int i = count; i < m_rectangles.size(); ++i)
        dirty += outline_band(m_rectangles[i].rect, outline_reach);
    m_rectangles.resize(std::max(count, 0));
    // Earlier rectangles crossing the removed ones are repainted from the layers too.
    repaint_area(dirty);
}

void CaptureCanvas::paint_layers(QPainter& painter, const QRegion& area) const {
    for (const QRect& r : area)
        painter.drawPixmap(r, m_dimmed, r);
    if (m_selection.isValid()) {
        painter.save();
        painter.setClipRegion(area);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(QPen(Qt::red, 2, Qt::DashDotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(m_selection);
        painter.restore();
        for (const QRect& r : area& m_selection)
            painter.drawPixmap(r, m_clean, r);
    }
    painter.save();
    painter.setClipRegion(area);
    painter.setBrush(Qt::NoBrush);
    for (const Rectangle& rectangle : m_rectangles) {
        if (rectangle.rect.isNull())
            continue;
        painter.setPen(QPen(rectangle.color, 2));
        painter.drawRect(normalized(rectangle.rect));
    }
    painter.restore();
}

void CaptureCanvas::paintEvent(QPaintEvent* event) {
    ++m_paint_count;
    QPainter painter(this);
    if (m_ratio != 1.0) {
        // With the backing store's own scale this draws the picture's pixels one to one.
        painter.scale(1.0 / m_ratio, 1.0 / m_ratio);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    }
    paint_layers(painter, to_picture(event->region()) & QRect(QPoint(0, 0), m_clean.size()));
}

QImage CaptureCanvas::render(const QRect& area) const {
    const QRect r = area & QRect(QPoint(0, 0), m_clean.size());
    if (r.isEmpty())
        return QImage();
    QImage image(r.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    painter.translate(-r.topLeft());
    paint_layers(painter, QRegion(r));
    painter.end();
    return image;
}
