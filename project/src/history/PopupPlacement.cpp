#include "history/PopupPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void PopupPlacement::place_popup_at_cursor(QWidget* widget) {
    const QPoint p = QCursor::pos();
    QScreen* screen = QGuiApplication::screenAt(p);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    widget->move(p.x() + 2, p.y() + 2);
    const QRect frame = widget->frameGeometry();
    const int w = frame.width();
    const int h = frame.height();
    // The size of a never shown window is its size hint, not its frame.
    const QRect placed(QPoint(p.x() + 2, p.y() + 2), QSize(w, h));
    if (area.isNull())
        return;
    if (placed.bottom() > area.bottom())
        widget->move(placed.right() > area.right() ? QPoint(p.x() - w, p.y() - h)
                                                   : QPoint(p.x(), p.y() - h));
    else if (placed.right() > area.right())
        widget->move(p.x() - w, p.y());
}
