#pragma once

#include "platform/ScreenCapture.h"

// GDI's BitBlt from the screen over the virtual desktop (every monitor), layered windows
// included. Coordinates are the desktop's physical pixels, as Qt gives them to a process that
// is aware of each monitor's scaling.
class WinScreenCapture : public ScreenCapture {
public:
    QImage grab(const QRect& area, QString* error) override;
};
