#include "screenshot/ToolBoxPlacement.h"

QPoint ToolBoxPlacement::place(const QRect& area, const QSize& toolbox, const QRect& available) {
    QPoint p(area.left(), area.bottom() + gap_below);
    if (p.y() + toolbox.height() - 1 > available.bottom())
        p = QPoint(area.left(), area.top() - offset_above);
    if (p.y() < available.top())
        p = QPoint(area.left() + inset_left, area.bottom() - offset_above);
    return p;
}
