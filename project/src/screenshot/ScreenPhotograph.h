#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QRect>
#include <QString>

class QScreen;

// The picture of every screen in one row: ordered by left edge, top-aligned, black below the
// shorter ones.
class ScreenPhotograph {
public:
    // Larger desktops are refused: X11 windows and QPainter stop working near 32767 pixels, and
    // such a picture would take gigabytes.
    static constexpr int max_side = 16383;

    struct Screen {
        QRect geometry;
        QImage grab;
    };

    // Where each screen lands in the picture, in the order of the input, and the picture's size.
    struct Layout {
        QList<QPoint> positions;
        QSize size;
        // Input indexes in picture order (left to right); empty screens are left out.
        QList<int> order;
    };

    static Layout layout(const QList<QRect>& screens);
    // Checks a layout before anything is grabbed; empty when it is usable.
    static QString check(const Layout& layout);
    // Lays the grabs out; a grab's own size counts, as a screen may be scaled.
    static QImage compose(const QList<Screen>& screens);

    // Photographs every screen of the desktop.
    static ScreenPhotograph take();
    // For callers that already hold the grabs (and tests).
    static ScreenPhotograph from_screens(const QList<Screen>& screens);

    bool ok() const { return m_error.isEmpty() && !m_picture.isNull(); }
    QString error() const { return m_error; }
    const QPixmap& picture() const { return m_picture; }
    // Where the picture's top-left corner belongs on the desktop.
    QPoint origin() const { return m_origin; }

private:
    QPixmap m_picture;
    QPoint m_origin;
    QString m_error;
};
