#pragma once

#include <QSize>

// Pixel sizes in the code are meant for a 96-dpi screen. Where the system enlarges fonts by its
// dpi setting but leaves widget pixels alone (Windows at 150 %: 144 logical dpi, device pixel
// ratio 1; X11 with Xft.dpi 192), those sizes grow by the same factor, so text still fits. Where
// Qt scales whole windows instead (device pixel ratio 2, 96 logical dpi) the factor stays 1.
class UiScale {
public:
    // The primary screen's logical dpi over 96, to a quarter; never below 1.
    static qreal factor();
    static int px(int pixels);
    static QSize size(int width, int height);
    // size(), but no larger than the primary screen's free area.
    static QSize fitted(int width, int height);
};
