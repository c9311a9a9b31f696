#include "X11ScreenCapture.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

QImage X11ScreenCapture::grab(const QRect& area, QString* error) {
    QScreen* screen = QGuiApplication::screenAt(area.center());
    if (!screen || area.isEmpty()) {
        if (error)
            *error =
                QStringLiteral("no screen at %1,%2").arg(area.center().x()).arg(area.center().y());
        return QImage();
    }
    // The whole-screen grab takes its offset relative to the screen it is asked of.
    const QPoint at = area.topLeft() - screen->geometry().topLeft();
    QImage image = screen->grabWindow(0, at.x(), at.y(), area.width(), area.height()).toImage();
    if (image.isNull() && error)
        *error = QStringLiteral("the X server gave no picture");
    return image.format() == QImage::Format_RGB32 ? image
                                                  : image.convertToFormat(QImage::Format_RGB32);
}
