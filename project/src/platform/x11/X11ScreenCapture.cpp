#include "X11ScreenCapture.h"

#include <QX11Info>

#include <cstdlib>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace {
// Whether the root's pixels are 32-bit xRGB, the layout QImage::Format_RGB32 reads directly.
bool root_is_xrgb32(xcb_connection_t* c) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    if (!screen || screen->root_depth != 24)
        return false;
    bool bpp32 = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == 24)
            bpp32 = f.data->bits_per_pixel == 32;
    if (!bpp32 || setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == screen->root_visual)
                return v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 &&
                       v.data->blue_mask == 0xff;
    return false;
}
} // namespace

QImage X11ScreenCapture::grab(const QRect& area, QString* error) {
    auto fail = [error](const char* why) {
        if (error)
            *error = QString::fromLatin1(why);
        return QImage();
    };
    if (!QX11Info::isPlatformX11() || area.isEmpty())
        return fail("no X11 display or an empty area");
    xcb_connection_t* c = QX11Info::connection();
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (!shm || !shm->present)
        return fail("no MIT-SHM extension");
    if (!root_is_xrgb32(c))
        return fail("the root window is not 32-bit xRGB");

    const size_t bytes = size_t(area.width()) * size_t(area.height()) * 4;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return fail("shmget failed");
    void* memory = shmat(id, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return fail("shmat failed");
    }
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    xcb_generic_error_t* attach_error =
        xcb_request_check(c, xcb_shm_attach_checked(c, segment, uint32_t(id), 0));
    // Removed now; it lives until both sides have let go.
    shmctl(id, IPC_RMID, nullptr);
    if (attach_error) {
        free(attach_error);
        shmdt(memory);
        return fail("the X server cannot attach the shared memory (a remote display?)");
    }

    QImage image;
    xcb_generic_error_t* get_error = nullptr;
    xcb_shm_get_image_reply_t* reply = xcb_shm_get_image_reply(
        c,
        xcb_shm_get_image(c, xcb_window_t(QX11Info::appRootWindow()), int16_t(area.x()),
                          int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
        &get_error);
    if (reply && !get_error) {
        image = QImage(area.size(), QImage::Format_RGB32);
        const auto* src = static_cast<const quint32*>(memory);
        // The pad byte is undefined; RGB32 wants it 0xff.
        for (int y = 0; y < area.height(); ++y) {
            auto* dst = reinterpret_cast<quint32*>(image.scanLine(y));
            const quint32* row = src + size_t(y) * size_t(area.width());
            for (int x = 0; x < area.width(); ++x)
                dst[x] = row[x] | 0xff000000u;
        }
    }
    free(reply);
    free(get_error);
    xcb_shm_detach(c, segment);
    xcb_flush(c);
    shmdt(memory);
    if (image.isNull())
        return fail("the X server refused to read the area");
    return image;
}
