#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

namespace TestPictures {
inline QImage solid(int w, int h, QColor color) {
    QImage p(w, h, QImage::Format_RGB32);
    p.fill(color);
    return p;
}

// Every pixel differs from its neighbours, so a shifted crop cannot pass for the right one.
inline QPixmap pattern(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, (x + y) & 255));
    return QPixmap::fromImage(image);
}
} // namespace TestPictures
