#include "WaylandScreenCapture.h"

#include "WaylandConnection.h"
#include "WaylandOutput.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTransform>

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {
qint64 now_ms() {
    return QDateTime::currentMSecsSinceEpoch();
}

// What one copy of an output hears from the compositor.
struct Frame {
    WaylandScreenCapture::Buffer buffer;
    bool described = false;
    bool y_invert = false;
    bool ready = false;
    bool failed = false;
};

Frame* frame_of(void* data) {
    return static_cast<Frame*>(data);
}

void on_buffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width,
               uint32_t height, uint32_t stride) {
    Frame* frame = frame_of(data);
    // Values past INT_MAX become negative here, which check() refuses.
    frame->buffer = {format, int(width), int(height), int(stride)};
    frame->described = true;
}
void on_flags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
    frame_of(data)->y_invert = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
}
void on_ready(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
    frame_of(data)->ready = true;
}
void on_failed(void* data, zwlr_screencopy_frame_v1*) {
    frame_of(data)->failed = true;
}
void on_damage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void on_dmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void on_buffer_done(void*, zwlr_screencopy_frame_v1*) {}

const zwlr_screencopy_frame_v1_listener frame_listener = {
    on_buffer, on_flags, on_ready, on_failed, on_damage, on_dmabuf, on_buffer_done};

void on_sync_done(void* data, wl_callback*, uint32_t) {
    *static_cast<bool*>(data) = true;
}
const wl_callback_listener sync_listener = {on_sync_done};

// Shared memory the compositor copies into: sealed, so it cannot be shrunk under our reading.
struct SharedBuffer {
    int fd = -1;
    uchar* data = nullptr;
    size_t size = 0;
    wl_shm_pool* pool = nullptr;
    wl_buffer* buffer = nullptr;

    ~SharedBuffer() {
        if (buffer)
            wl_buffer_destroy(buffer);
        if (pool)
            wl_shm_pool_destroy(pool);
        if (data)
            munmap(data, size);
        if (fd >= 0)
            ::close(fd);
    }

    bool create(wl_shm* shm, const WaylandScreenCapture::Buffer& b, QString* error) {
        size = size_t(b.stride) * size_t(b.height);
        fd = memfd_create("corvana-screen", MFD_CLOEXEC | MFD_ALLOW_SEALING);
        if (fd < 0 || ftruncate(fd, off_t(size)) != 0 ||
            fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) != 0) {
            *error = QStringLiteral("no shared memory for the screen: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        void* mapped = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (mapped == MAP_FAILED) {
            *error = QStringLiteral("the screen's shared memory could not be mapped: %1")
                         .arg(QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
        data = static_cast<uchar*>(mapped);
        pool = wl_shm_create_pool(shm, fd, int32_t(size));
        buffer = wl_shm_pool_create_buffer(pool, 0, b.width, b.height, b.stride, b.format);
        return true;
    }
};

// The desktop rectangle of an output: that of Qt's screen of the same name, or of the only
// screen when the compositor names none.
QRect desktop_rect(const WaylandOutput& output, size_t outputs) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        if (!output.name.isEmpty() && screen->name() == output.name)
            return screen->geometry();
    return outputs == 1 && screens.size() == 1 ? screens.first()->geometry() : QRect();
}
} // namespace

WaylandScreenCapture::WaylandScreenCapture(WaylandConnection& wayland) : m_wayland(wayland) {}

bool WaylandScreenCapture::offered(const WaylandConnection& wayland) {
    return wayland.screencopy() && wayland.shm();
}

QString WaylandScreenCapture::check(const Buffer& b) {
    switch (b.format) {
    case WL_SHM_FORMAT_XRGB8888:
    case WL_SHM_FORMAT_ARGB8888:
    case WL_SHM_FORMAT_XBGR8888:
    case WL_SHM_FORMAT_ABGR8888:
        break;
    default:
        return QStringLiteral("the compositor offers the screen in a pixel format of its own "
                              "(0x%1)")
            .arg(b.format, 8, 16, QLatin1Char('0'));
    }
    if (b.width <= 0 || b.height <= 0 || b.width > max_side || b.height > max_side)
        return QStringLiteral("the compositor describes a screen of %1 x %2 pixels")
            .arg(b.width)
            .arg(b.height);
    if (b.stride < b.width * 4 || b.stride % 4 != 0 || qint64(b.stride) * b.height > max_bytes)
        return QStringLiteral("the compositor describes rows of %1 bytes for %2 x %3 pixels")
            .arg(b.stride)
            .arg(b.width)
            .arg(b.height);
    return QString();
}

QImage WaylandScreenCapture::convert(const uchar* data, const Buffer& b, bool y_invert,
                                     int transform) {
    const bool bgr = b.format == WL_SHM_FORMAT_XBGR8888 || b.format == WL_SHM_FORMAT_ABGR8888;
    const QImage shared(data, b.width, b.height, b.stride,
                        bgr ? QImage::Format_RGBX8888 : QImage::Format_RGB32);
    QImage image = bgr ? shared.convertToFormat(QImage::Format_RGB32) : shared.copy();
    // Opaque, whatever the compositor left in the alpha byte.
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            row[x] |= 0xff000000u;
    }
    if (y_invert)
        image = image.mirrored(false, true);
    // The panel shows the desktop turned by the transform (a quarter turn counter-clockwise per
    // step, the flipped ones mirrored first): turned back clockwise, then mirrored.
    if (transform & 3)
        image = image.transformed(QTransform().rotate(90 * (transform & 3)));
    if (transform & WL_OUTPUT_TRANSFORM_FLIPPED)
        image = image.mirrored(true, false);
    return image;
}

template <typename Done> bool WaylandScreenCapture::wait(Done done, qint64 deadline_ms) {
    wl_display* display = m_wayland.display();
    for (;;) {
        m_wayland.dispatch_pending();
        if (done())
            return true;
        const qint64 left = deadline_ms - now_ms();
        if (left <= 0 || wl_display_get_error(display) != 0)
            return false;
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        if (poll(&fd, 1, int(left)) < 0 && errno != EINTR)
            return false;
    }
}

QImage WaylandScreenCapture::copy_output(wl_output* output, int transform, QString* error) {
    const qint64 deadline = now_ms() + timeout_ms;
    Frame frame;
    zwlr_screencopy_frame_v1* handle =
        zwlr_screencopy_manager_v1_capture_output(m_wayland.screencopy(), 0, output);
    zwlr_screencopy_frame_v1_add_listener(handle, &frame_listener, &frame);
    SharedBuffer shared;
    // The copy is given up before the memory it may be writing into.
    struct Destroy {
        zwlr_screencopy_frame_v1* handle;
        ~Destroy() { zwlr_screencopy_frame_v1_destroy(handle); }
    } destroy{handle};
    if (!wait([&] { return frame.described || frame.failed; }, deadline)) {
        *error = QStringLiteral("the compositor did not describe the screen in time");
        return QImage();
    }
    if (frame.failed) {
        *error = QStringLiteral("the compositor refused to copy the screen");
        return QImage();
    }
    const Buffer described = frame.buffer;
    *error = check(described);
    if (!error->isEmpty() || !shared.create(m_wayland.shm(), described, error))
        return QImage();
    zwlr_screencopy_frame_v1_copy(handle, shared.buffer);
    if (!wait([&] { return frame.ready || frame.failed; }, deadline)) {
        *error = QStringLiteral("the compositor did not copy the screen in time");
        return QImage();
    }
    if (frame.failed) {
        *error = QStringLiteral("the compositor failed to copy the screen");
        return QImage();
    }
    // Read as first described: a later description would not fit our memory.
    return convert(shared.data, described, frame.y_invert, transform);
}

QImage WaylandScreenCapture::grab(const QRect& area, QString* error) {
    if (!offered(m_wayland)) {
        *error = QStringLiteral("this Wayland desktop offers no screen copy "
                                "(zwlr_screencopy_manager_v1) to read the screen from");
        return QImage();
    }
    // Outputs come and go: their descriptions are brought up to date first.
    bool synced = false;
    wl_callback* sync = wl_display_sync(m_wayland.display());
    wl_callback_add_listener(sync, &sync_listener, &synced);
    const bool answered = wait([&] { return synced; }, now_ms() + timeout_ms);
    wl_callback_destroy(sync);
    if (!answered) {
        *error = QStringLiteral("the compositor did not answer in time");
        return QImage();
    }
    // The picture has the real pixels of the screen under the area's middle, as Qt's own grab.
    QScreen* middle = QGuiApplication::screenAt(area.center());
    const qreal ratio = middle ? middle->devicePixelRatio() : 1.0;
    const QSize size(qRound(area.width() * ratio), qRound(area.height() * ratio));
    if (area.isEmpty() || size.width() > max_side || size.height() > max_side) {
        *error =
            QStringLiteral("no picture of %1 x %2 pixels").arg(size.width()).arg(size.height());
        return QImage();
    }
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    bool covered = false;
    const auto& outputs = m_wayland.outputs();
    // Taken before any wait: an output may go while another is copied.
    struct Part {
        uint32_t global;
        QRect place;
    };
    QList<Part> parts;
    for (const auto& output : outputs) {
        const QRect place = desktop_rect(*output, outputs.size());
        if (place.intersects(area))
            parts.append({output->global(), place});
    }
    for (const Part& part : parts) {
        // One that went while another was copied leaves its place black.
        const auto found = std::find_if(outputs.begin(), outputs.end(), [&](const auto& output) {
            return output->global() == part.global;
        });
        if (found == outputs.end())
            continue;
        const QString name = (*found)->name;
        QString why;
        const QImage copied = copy_output((*found)->handle(), (*found)->transform, &why);
        if (copied.isNull()) {
            *error = QStringLiteral("%1: %2").arg(name, why);
            return QImage();
        }
        // Drawn pixel for pixel at scale 1; another scale is stretched to the picture's.
        const QRectF target(QPointF(part.place.topLeft() - area.topLeft()) * ratio,
                            QSizeF(part.place.size()) * ratio);
        painter.drawImage(target, copied);
        covered = true;
    }
    painter.end();
    if (!covered) {
        *error = QStringLiteral("no output of the compositor lies under %1,%2 %3 x %4")
                     .arg(area.x())
                     .arg(area.y())
                     .arg(area.width())
                     .arg(area.height());
        return QImage();
    }
    return picture;
}
