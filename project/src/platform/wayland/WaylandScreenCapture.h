#pragma once

#include "platform/ScreenCapture.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>

class WaylandConnection;
struct wl_output;

// Reads the screens through the compositor's screen copy (wlroots desktops: sway, Hyprland,
// river): each output under the area is copied into shared memory of ours and laid out where
// Qt places its screen. Without screen copy, the grab says so and gives no picture.
class WaylandScreenCapture : public ScreenCapture {
public:
    // A copy that takes longer is given up.
    static constexpr int timeout_ms = 2000;
    static constexpr int max_side = 16384;
    static constexpr qint64 max_bytes = qint64(1) << 30;

    // A buffer as the compositor describes it.
    struct Buffer {
        uint32_t format = 0; // a wl_shm format
        int width = 0;
        int height = 0;
        int stride = 0;
    };

    explicit WaylandScreenCapture(WaylandConnection& wayland);

    // Whether this compositor offers what grab() needs.
    static bool offered(const WaylandConnection& wayland);

    QImage grab(const QRect& area, QString* error) override;

    // Empty when a buffer so described can be made and read; otherwise why not.
    static QString check(const Buffer& buffer);
    // The copied pixels as an opaque RGB32 picture, upright: turned back by the output's
    // transform and, when the compositor says so, flipped top to bottom. data holds at least
    // stride * height bytes of a buffer that check() accepted.
    static QImage convert(const uchar* data, const Buffer& buffer, bool y_invert, int transform);

private:
    // The output's picture in real pixels, upright; null with *error when it could not be copied.
    QImage copy_output(wl_output* output, int transform, QString* error);
    // Handles the compositor's events until done() or the deadline; false when the time ran out
    // or the connection broke.
    template <typename Done> bool wait(Done done, qint64 deadline_ms);

    WaylandConnection& m_wayland;
};
