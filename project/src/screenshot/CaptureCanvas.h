#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QVector>
#include <QWidget>

class QRegion;

// The capture window's picture, painted in layers (dimmed photograph, the selected area
// undimmed with its outline, the rectangles) so that a drag repaints only the pixels it
// changes instead of rebuilding a full-desktop frame per move. Everything it is told and tells
// is in the picture's own (real screen) pixels; on a scaled screen it paints them one to one.
class CaptureCanvas : public QWidget {
    Q_OBJECT
public:
    struct Rectangle {
        QRect rect; // corners as dragged, not normalised
        QColor color;
    };

    explicit CaptureCanvas(QWidget* parent = nullptr);

    // ratio: real pixels per widget unit.
    void set_pictures(const QPixmap& clean, const QPixmap& dimmed, qreal ratio = 1.0);
    qreal ratio() const { return m_ratio; }
    // A widget point in picture pixels, and a picture area in widget units (grown outward).
    QPoint to_picture(const QPointF& widget_point) const;
    QRect to_widget(const QRect& picture_area) const;
    void set_selection(const QRect& selection);
    QRect selection() const { return m_selection; }

    void add_rectangle(const Rectangle& rectangle);
    void set_last_rectangle(const QRect& rect);
    void truncate_rectangles(int count);
    const QVector<Rectangle>& rectangles() const { return m_rectangles; }

    // The picture as shown, cropped to area.
    QImage render(const QRect& area) const;
    // Paints every layer of area onto painter (whose origin is the canvas's).
    void paint_layers(QPainter& painter, const QRegion& area) const;

    int paint_count() const { return m_paint_count; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QRegion outline_band(const QRect& rect, int width);
    static QRect normalized(const QRect& rect);
    void repaint_area(const QRegion& picture_area);
    QRegion to_picture(const QRegion& widget_area) const;

    QPixmap m_clean;
    QPixmap m_dimmed;
    QRect m_selection;
    QVector<Rectangle> m_rectangles;
    int m_paint_count = 0;
    qreal m_ratio = 1.0;
};
