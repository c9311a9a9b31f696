#include "screenshot/ScreenPhotograph.h"

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

QPixmap ScreenPhotograph::compose(const QList<Screen>& screens) {
    QList<QRect> sizes;
    for (const Screen& s : screens)
        sizes.append(QRect(s.geometry.topLeft(), s.grab.size()));
    const Layout l = layout(sizes);
    QPixmap canvas(l.size);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    for (int i : l.order)
        painter.drawPixmap(l.positions[i], screens[i].grab);
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
    photo.m_picture = compose(screens);
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
        QPixmap grab = screen->grabWindow(0, g.x(), g.y(), g.width(), g.height());
        if (grab.isNull()) {
            qDebug().noquote() << "Screen" << screen->name() << "could not be grabbed";
            grab = QPixmap(g.size());
            grab.fill(Qt::black);
        }
        grabs.append({g, grab});
    }
    return from_screens(grabs);
}
