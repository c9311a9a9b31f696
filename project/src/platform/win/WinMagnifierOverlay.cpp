#include "WinMagnifierOverlay.h"

#include "WinScreenCapture.h"

#include <QCursor>
#include <QPainter>
#include <QPainterPath>

#include <windows.h>

WinMagnifierOverlay::WinMagnifierOverlay(const QRect& screen)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool |
                           Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus),
      m_screen(screen) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("corvana-magnifier"));
    setGeometry(screen);
}

bool WinMagnifierOverlay::show_view(const QRect& view, QString* error) {
    if (m_picture.isNull()) {
        // Taken before the window shows, so it never magnifies itself.
        m_picture = WinScreenCapture().grab(m_screen, error);
        if (m_picture.isNull())
            return false;
    }
    m_view = view;
    if (!isVisible()) {
        show();
        HWND window = reinterpret_cast<HWND>(winId());
        SetWindowLongW(window, GWL_EXSTYLE,
                       GetWindowLongW(window, GWL_EXSTYLE) | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE);
    }
    update();
    return true;
}

void WinMagnifierOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect source = m_view.translated(-m_screen.topLeft());
    painter.drawImage(rect(), m_picture, source);
    if (m_view.isEmpty())
        return;
    // The pointer at its magnified place: the real one still points at the unmagnified spot.
    const double scale = double(width()) / m_view.width();
    const QPointF at = (QPointF(QCursor::pos() - m_view.topLeft())) * scale;
    QPainterPath arrow;
    arrow.moveTo(at);
    arrow.lineTo(at + QPointF(0, 18 * scale / 2 + 10));
    arrow.lineTo(at + QPointF(5 * scale / 2 + 3, 14 * scale / 2 + 8));
    arrow.lineTo(at + QPointF(12 * scale / 2 + 7, 12 * scale / 2 + 7));
    arrow.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::white);
    painter.drawPath(arrow);
}
