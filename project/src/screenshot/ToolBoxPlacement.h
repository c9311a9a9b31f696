#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the capture toolbox goes for a selected area (all in desktop coordinates): under the
// area, else above it, else inside it at its lower left.
class ToolBoxPlacement {
public:
    static constexpr int gap_below = 5;
    static constexpr int offset_above = 36;
    static constexpr int inset_left = 5;

    static QPoint place(const QRect& area, const QSize& toolbox, const QRect& available);
};
