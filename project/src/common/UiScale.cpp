#include "common/UiScale.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

qreal UiScale::factor() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1.0;
    // In quarters, the steps Windows offers (125 %, 150 %...): a screen a few dpi off 96
    // (Qt's offscreen screen has 100) keeps the sizes as drawn.
    return qMax(1.0, qRound(screen->logicalDotsPerInch() / 96.0 * 4) / 4.0);
}

int UiScale::px(int pixels) {
    return qRound(pixels * factor());
}

QSize UiScale::size(int width, int height) {
    return QSize(px(width), px(height));
}

QSize UiScale::fitted(int width, int height) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize wanted = size(width, height);
    return screen ? wanted.boundedTo(screen->availableGeometry().size()) : wanted;
}
