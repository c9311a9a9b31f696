#include "FakeScreenCapture.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

QImage FakeScreenCapture::grab(const QRect& area, QString* error) {
    m_asked.append(area);
    if (m_use_desktop) {
        if (m_desktop.isNull() && error)
            *error = QStringLiteral("no fast path in this test");
        return m_desktop.isNull() ? QImage()
                                  : m_desktop.copy(area).convertToFormat(QImage::Format_RGB32);
    }
    QScreen* screen = QGuiApplication::screenAt(area.topLeft());
    if (!screen) {
        if (error)
            *error = QStringLiteral("no screen there");
        return QImage();
    }
    const QPoint at = area.topLeft() - screen->geometry().topLeft();
    return screen->grabWindow(0, at.x(), at.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}
