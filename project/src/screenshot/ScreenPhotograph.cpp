#include "screenshot/ScreenPhotograph.h"

#include "platform/Platform.h"
#include "platform/ScreenCapture.h"

#include <QDebug>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <climits>
#include <numeric>

ScreenPhotograph::Layout ScreenPhotograph::layout(const QList<QRect>& screens) {
    Layout result;
    for (int i = 0; i < screens.size(); ++i) {
        result.positions.append(QPoint());
        if (screens[i].width() > 0 && screens[i].height() > 0)
            result.order.append(i);
    }
    std::stable_sort(result.order.begin(), result.order.end(),
                     [&](int a, int b) { return screens[a].left() < screens[b].left(); });
    qint64 x = 0;
    int height = 0;
    for (int i : result.order) {
        result.positions[i] = QPoint(int(std::min<qint64>(x, INT_MAX)), 0);
        x += screens[i].width();
        height = std::max(height, screens[i].height());
    }
    result.size = QSize(int(std::min<qint64>(x, INT_MAX)), height);
    return result;
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
    QList<QRect> sizes;
    for (const Screen& s : screens)
        sizes.append(QRect(s.geometry.topLeft(), s.grab.size()));
    const Layout l = layout(sizes);
    // One screen needs no second copy of its pixels.
    if (l.order.size() == 1 && screens[l.order[0]].grab.format() == QImage::Format_RGB32)
        return screens[l.order[0]].grab;
    QImage canvas(l.size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    for (int i : l.order)
        painter.drawImage(l.positions[i], screens[i].grab);
    return canvas;
}

ScreenPhotograph ScreenPhotograph::from_screens(const QList<Screen>& screens) {
    ScreenPhotograph photo;
    QList<QRect> sizes;
    for (const Screen& s : screens)
        sizes.append(QRect(s.geometry.topLeft(), s.grab.size()));
    const Layout l = layout(sizes);
    photo.m_error = check(l);
    if (!photo.m_error.isEmpty())
        return photo;
    photo.m_picture = QPixmap::fromImage(compose(screens));
    photo.m_origin = screens[l.order.first()].geometry.topLeft();
    return photo;
}

ScreenPhotograph ScreenPhotograph::take() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QRect> geometries;
    for (QScreen* screen : screens) {
        geometries.append(screen->geometry());
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
        QImage grab = Platform::instance().screen_capture().grab(g, &why);
        if (grab.isNull()) {
            qDebug().noquote() << "Screen grab through the platform failed:" << why;
            // Qt's whole-screen grab takes its offset relative to the screen on X11, so each
            // screen grabs itself from its own origin.
            grab = screen->grabWindow(0, 0, 0, g.width(), g.height()).toImage();
        }
        if (grab.isNull()) {
            qDebug().noquote() << "Screen" << screen->name() << "could not be grabbed";
            grab = QImage(g.size(), QImage::Format_RGB32);
            grab.fill(Qt::black);
        }
        grabs.append({g, grab});
    }
    return from_screens(grabs);
}
