#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>

class QScreen;
class ScreenCapture;

// The picture of every screen, each placed where the screen is on the desktop (side by side,
// stacked, mixed sizes), black where no screen is. The picture holds the screens' real pixels,
// whatever the toolkit's scale factor.
class ScreenPhotograph {
public:
    // Larger desktops are refused: X11 windows and QPainter stop working near 32767 pixels, and
    // such a picture would take gigabytes.
    static constexpr int max_side = 16383;

    struct Screen {
        // As the toolkit reports it, in its own (scaled) units.
        QRect geometry;
        // In the screen's real pixels.
        QImage grab;
        // Real pixels per toolkit unit on that screen.
        qreal ratio = 1.0;
    };

    // Where each screen lands in the picture (input order) and the picture's size; screens are
    // given in real pixels.
    struct Layout {
        QList<QPoint> positions;
        QSize size;
        // The desktop point, in real pixels, of the picture's top-left corner.
        QPoint origin;
        // Input indexes of the screens that have an area, in input order.
        QList<int> order;
    };

    static Layout layout(const QList<QRect>& screens);
    // Checks a layout before anything is grabbed; empty when it is usable.
    static QString check(const Layout& layout);
    // Lays the grabs out; a grab's own size counts, as a screen may be scaled.
    static QImage compose(const QList<Screen>& screens);
    // Where a screen lies in real pixels: the toolkit keeps each screen's top-left corner
    // and divides only its size by the scale factor.
    static QRect device_rect(const Screen& screen);
    // The window that shows the picture pixel for pixel, in the toolkit's units.
    static QRect window_geometry(const QList<Screen>& screens, const Layout& layout, qreal* ratio);

    // Photographs every screen of the desktop.
    static ScreenPhotograph take(ScreenCapture& capture);
    // For callers that already hold the grabs (and tests).
    static ScreenPhotograph from_screens(const QList<Screen>& screens);

    bool ok() const { return m_error.isEmpty() && !m_picture.isNull(); }
    QString error() const { return m_error; }
    // In real pixels, device pixel ratio 1.
    const QPixmap& picture() const { return m_picture; }
    // Where the picture's top-left corner belongs on the desktop, in real pixels.
    QPoint origin() const { return m_origin; }
    // The capture window's geometry in the toolkit's units, and its real pixels per unit.
    QRect window_geometry() const { return m_window; }
    qreal ratio() const { return m_ratio; }

private:
    QPixmap m_picture;
    QPoint m_origin;
    QRect m_window;
    qreal m_ratio = 1.0;
    QString m_error;
};
