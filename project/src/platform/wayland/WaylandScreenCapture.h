#pragma once

#include "platform/ScreenCapture.h"

#include <QImage>
#include <QString>

// Wayland gives no program the screen's pixels without the desktop's screenshot portal, which
// this backend does not speak yet: the capture says so instead of showing a black picture.
class WaylandScreenCapture : public ScreenCapture {
public:
    QImage grab(const QRect&, QString* error) override {
        *error = QStringLiteral("screenshots are not available on Wayland yet");
        return QImage();
    }
};
