#pragma once

#include <QImage>
#include <QRect>
#include <QString>

// Reads what the desktop shows.
class ScreenCapture {
public:
    virtual ~ScreenCapture() = default;

    // The pixels of area (desktop coordinates) as an opaque RGB32 image; a null image, with
    // *error set, when this way of reading is not available (the caller then asks Qt).
    virtual QImage grab(const QRect& area, QString* error) = 0;
};
