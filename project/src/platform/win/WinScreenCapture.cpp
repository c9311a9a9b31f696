#include "WinScreenCapture.h"

#include <windows.h>

QImage WinScreenCapture::grab(const QRect& area, QString* error) {
    const QRect desktop(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    const QRect wanted = area.intersected(desktop);
    if (wanted.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1,%2 %3x%4 is not on the desktop")
                         .arg(area.x())
                         .arg(area.y())
                         .arg(area.width())
                         .arg(area.height());
        return QImage();
    }
    QImage image(area.size(), QImage::Format_RGB32);
    image.fill(Qt::black); // whatever lies beyond the desktop
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = wanted.width();
    info.bmiHeader.biHeight = -wanted.height(); // top-down, as QImage
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = bitmap != nullptr;
    if (ok) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, wanted.width(), wanted.height(), screen, wanted.x(), wanted.y(),
                    SRCCOPY | CAPTUREBLT) != FALSE;
        GdiFlush();
        if (ok) {
            const QPoint offset = wanted.topLeft() - area.topLeft();
            const int row_bytes = wanted.width() * 4;
            for (int y = 0; y < wanted.height(); ++y) {
                const auto* from = static_cast<const uchar*>(bits) + qsizetype(y) * row_bytes;
                auto* to = reinterpret_cast<QRgb*>(image.scanLine(y + offset.y())) + offset.x();
                const auto* pixels = reinterpret_cast<const quint32*>(from);
                for (int x = 0; x < wanted.width(); ++x)
                    to[x] = 0xff000000u | pixels[x]; // BGRA in memory is ARGB32's layout
            }
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!ok) {
        if (error)
            *error = QStringLiteral("BitBlt from the screen failed (%1)").arg(GetLastError());
        return QImage();
    }
    return image;
}
