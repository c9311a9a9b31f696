#include "screenshot/ScreenPhotograph.h"

#include "platform/ScreenCapture.h"

#include <QDebug>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QtMath>

#include <algorithm>
#include <climits>

ScreenPhotograph::Layout ScreenPhotograph::layout(const QList<QRect>& screens) {
    Layout result;
    qint64 left = LLONG_MAX, top = LLONG_MAX, right = LLONG_MIN, bottom = LLONG_MIN;
    for (int i = 0; i < screens.size(); ++i) {
        result.positions.append(QPoint());
        const QRect& g = screens[i];
        if (g.width() <= 0 || g.height() <= 0)
            continue;
        result.order.append(i);
        left = std::min<qint64>(left, g.x());
        top = std::min<qint64>(top, g.y());
        right = std::max<qint64>(right, qint64(g.x()) + g.width());
        bottom = std::max<qint64>(bottom, qint64(g.y()) + g.height());
    }
    if (result.order.isEmpty())
        return result;
    auto clamp = [](qint64 v) {
        return int(std::max<qint64>(INT_MIN, std::min<qint64>(v, INT_MAX)));
    };
    result.origin = QPoint(int(left), int(top));
    result.size = QSize(clamp(right - left), clamp(bottom - top));
    for (int i : result.order)
        result.positions[i] = QPoint(clamp(screens[i].x() - left), clamp(screens[i].y() - top));
    return result;
}

QRect ScreenPhotograph::device_rect(const Screen& screen) {
    if (!screen.grab.isNull())
        return QRect(screen.geometry.topLeft(), screen.grab.size());
    return QRect(screen.geometry.topLeft(), QSize(qRound(screen.geometry.width() * screen.ratio),
                                                  qRound(screen.geometry.height() * screen.ratio)));
}

QRect ScreenPhotograph::window_geometry(const QList<Screen>& screens, const Layout& layout,
                                        qreal* ratio) {
    // The toolkit scales a window by the screen it lies on; anchoring it on the screen that
    // holds the desktop's top-left corner keeps the window's own corner exact.
    int anchor = layout.order.isEmpty() ? -1 : layout.order.first();
    for (int i : layout.order)
        if (device_rect(screens[i]).contains(layout.origin))
            anchor = i;
    const qreal r = anchor < 0 || screens[anchor].ratio <= 0 ? 1.0 : screens[anchor].ratio;
    if (ratio)
        *ratio = r;
    if (anchor < 0)
        return QRect();
    const QPoint screen_corner = screens[anchor].geometry.topLeft();
    const QPointF offset = QPointF(layout.origin - screen_corner) / r;
    return QRect(screen_corner + QPoint(qFloor(offset.x()), qFloor(offset.y())),
                 QSize(qCeil(layout.size.width() / r), qCeil(layout.size.height() / r)));
}

QString ScreenPhotograph::check(const Layout& layout) {
    if (layout.order.isEmpty())
        return QStringLiteral("No screen to photograph");
    if (layout.size.width() > max_side || layout.size.height() > max_side)
        return QStringLiteral("The desktop is too large to photograph (%1 x %2 pixels, at most "
                              "%3 on a side)")
            .arg(layout.size.width())
            .arg(layout.size.height())
            .arg(max_side);
    return QString();
}

QImage ScreenPhotograph::compose(const QList<Screen>& screens) {
    QList<QRect> rects;
    for (const Screen& s : screens)
        rects.append(device_rect(s));
    const Layout l = layout(rects);
    // One screen needs no second copy of its pixels.
    if (l.order.size() == 1 && screens[l.order[0]].grab.format() == QImage::Format_RGB32) {
        QImage only = screens[l.order[0]].grab;
        only.setDevicePixelRatio(1.0);
        return only;
    }
    QImage canvas(l.size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    for (int i : l.order) {
        // Pixel for pixel: a grab that carries its screen's ratio would be drawn shrunk.
        QImage grab = screens[i].grab;
        grab.setDevicePixelRatio(1.0);
        painter.drawImage(l.positions[i], grab);
    }
    return canvas;
}

ScreenPhotograph ScreenPhotograph::from_screens(const QList<Screen>& screens) {
    ScreenPhotograph photo;
    QList<QRect> rects;
    for (const Screen& s : screens)
        rects.append(device_rect(s));
    const Layout l = layout(rects);
    photo.m_error = check(l);
    if (!photo.m_error.isEmpty())
        return photo;
    photo.m_picture = QPixmap::fromImage(compose(screens));
    photo.m_picture.setDevicePixelRatio(1.0);
    photo.m_origin = l.origin;
    photo.m_window = window_geometry(screens, l, &photo.m_ratio);
    return photo;
}

ScreenPhotograph ScreenPhotograph::take(ScreenCapture& capture) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> geometries;
    for (QScreen* screen : screens) {
        geometries.append(device_rect({screen->geometry(), QImage(), screen->devicePixelRatio()}));
        if (screen->geometry().isEmpty())
            qDebug().noquote() << "Screen" << screen->name() << "has no area; left out";
    }
    // Checked before grabbing: a refused desktop must not first allocate gigabytes.
    ScreenPhotograph photo;
    photo.m_error = check(layout(geometries));
    if (!photo.m_error.isEmpty())
        return photo;
    QList<Screen> grabs;
    for (QScreen* screen : screens) {
        const QRect g = screen->geometry();
        if (g.isEmpty())
            continue;
        QString why;
        QImage grab = capture.grab(g, &why);
        if (grab.isNull()) {
            qDebug().noquote() << "Screen grab through the platform failed:" << why;
            // Qt's whole-screen grab takes its offset relative to the screen on X11, so each
            // screen grabs itself from its own origin.
            grab = screen->grabWindow(0, 0, 0, g.width(), g.height()).toImage();
        }
        if (grab.isNull()) {
            qDebug().noquote() << "Screen" << screen->name() << "could not be grabbed";
            grab = QImage(device_rect({g, QImage(), screen->devicePixelRatio()}).size(),
                          QImage::Format_RGB32);
            grab.fill(Qt::black);
        }
        grabs.append({g, grab, screen->devicePixelRatio()});
    }
    return from_screens(grabs);
}
