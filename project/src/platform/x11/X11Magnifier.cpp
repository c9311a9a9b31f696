#include "X11Magnifier.h"

#include "X11Connection.h"

#include <QCoreApplication>
#include <QtDebug>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/composite.h>
#include <xcb/shape.h>
#include <xcb/xfixes.h>

namespace {
constexpr int frame_interval_ms = 16;
const char magnifier_title[] = "corvana-magnifier";

xcb_render_fixed_t fixed(double value) {
    return xcb_render_fixed_t(std::lround(value * 65536.0));
}

void set_scale(xcb_connection_t* c, xcb_render_picture_t picture, double sx, double sy) {
    xcb_render_transform_t t{};
    t.matrix11 = fixed(sx);
    t.matrix22 = fixed(sy);
    t.matrix33 = fixed(1.0);
    xcb_render_set_picture_transform(c, picture, t);
}

template <typename Reply> struct Freed {
    Reply* p;
    ~Freed() { std::free(p); }
    Reply* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};
} // namespace

X11Magnifier::X11Magnifier(const X11Connection& x11) : m_x11(x11) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(frame_interval_ms);
    connect(&m_timer, &QTimer::timeout, this, &X11Magnifier::tick);
    connect(&m_watch, &X11MagnifierWatch::changed, this, [this] {
        if (m_watch.update())
            m_dirty = true;
    });
}

X11Magnifier::~X11Magnifier() {
    stop();
}

bool X11Magnifier::init_extensions(QString* error) {
    if (m_extensions_checked)
        return m_render;
    m_extensions_checked = true;
    m_c = m_x11.connection();
    m_root = m_x11.root();
    if (!m_x11.render().present) {
        if (error)
            *error = QStringLiteral("no RENDER extension: the screen cannot be magnified");
        return false;
    }
    Freed<xcb_render_query_pict_formats_reply_t> formats{
        xcb_render_query_pict_formats_reply(m_c, xcb_render_query_pict_formats(m_c), nullptr)};
    if (!formats)
        return false;
    for (auto f = xcb_render_query_pict_formats_formats_iterator(formats.p); f.rem;
         xcb_render_pictforminfo_next(&f)) {
        const xcb_render_directformat_t& d = f.data->direct;
        if (d.alpha_mask)
            m_alpha_formats.insert(f.data->id);
        if (f.data->depth == 32 && d.alpha_mask == 0xff && d.alpha_shift == 24 &&
            d.red_shift == 16 && d.green_shift == 8 && d.blue_shift == 0)
            m_argb32 = f.data->id;
    }
    for (auto s = xcb_render_query_pict_formats_screens_iterator(formats.p); s.rem;
         xcb_render_pictscreen_next(&s))
        for (auto d = xcb_render_pictscreen_depths_iterator(s.data); d.rem;
             xcb_render_pictdepth_next(&d))
            for (auto v = xcb_render_pictdepth_visuals_iterator(d.data); v.rem;
                 xcb_render_pictvisual_next(&v))
                m_visual_formats.insert(v.data->visual, v.data->format);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
    m_root_format = format_for_visual(screen->root_visual);
    m_render = m_root_format != XCB_NONE;

    const X11Extension& composite = m_x11.composite();
    m_composite = composite.present && (composite.major > 0 || composite.minor >= 2);
    m_damage = m_x11.damage().present;
    if (m_damage)
        m_damage_event = uint8_t(m_x11.damage().first_event + XCB_DAMAGE_NOTIFY);
    m_xfixes = m_x11.xfixes().present && m_x11.xfixes().major >= 4;
    if (!m_composite || !m_damage)
        qWarning("No Composite or Damage extension: the magnifier shows the screen as it was "
                 "when it appeared");
    if (!m_xfixes)
        qWarning("No XFixes 4: the magnifier cannot draw the pointer");
    return m_render;
}

xcb_render_pictformat_t X11Magnifier::format_for_visual(xcb_visualid_t visual) const {
    return m_visual_formats.value(visual, XCB_NONE);
}

bool X11Magnifier::set_view(float factor, const QRect& view, const QRect& screen, QString* error) {
    if (factor <= 1.0f || view.isEmpty() || screen.isEmpty()) {
        stop();
        return true;
    }
    if (!m_x11) {
        if (error)
            *error = QStringLiteral("not an X11 display");
        return false;
    }
    if (m_window != XCB_NONE && screen != m_screen)
        stop();
    if (m_window == XCB_NONE && !start(screen, error))
        return false;
    if (view != m_view || factor != m_factor) {
        m_view = view;
        m_factor = factor;
        m_dirty = true;
    }
    return true;
}

bool X11Magnifier::start(const QRect& screen, QString* error) {
    if (!init_extensions(error))
        return false;
    m_screen = screen;
    const xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;

    // The windows' list is read before anything is redirected or created.
    const bool watching = m_watch.start(m_xfixes);
    m_redirected = m_composite && m_damage && watching;
    if (m_redirected) {
        // The background is taken before the windows are redirected: afterwards the root holds
        // what the server composites onto it, the magnifier's own picture included, which would
        // be magnified again on every frame. Under windows it is black until they move.
        m_background = snapshot(screen, XCB_SUBWINDOW_MODE_CLIP_BY_CHILDREN);
        m_background_picture = xcb_generate_id(m_c);
        xcb_render_create_picture(m_c, m_background_picture, m_background, m_root_format, 0,
                                  nullptr);
        // Every top-level window keeps its own contents from now on; the server still shows
        // them as before.
        xcb_composite_redirect_subwindows(m_c, m_root, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    } else {
        m_snapshot = snapshot(screen, XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS);
        m_snapshot_picture = xcb_generate_id(m_c);
        xcb_render_create_picture(m_c, m_snapshot_picture, m_snapshot, m_root_format, 0, nullptr);
    }
    Freed<xcb_query_pointer_reply_t> p{
        xcb_query_pointer_reply(m_c, xcb_query_pointer(m_c, m_root), nullptr)};
    if (p)
        m_pointer = QPoint(p->root_x, p->root_y);

    m_window = xcb_generate_id(m_c);
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 1, XCB_EVENT_MASK_EXPOSURE};
    xcb_create_window(m_c, XCB_COPY_FROM_PARENT, m_window, m_root, int16_t(screen.x()),
                      int16_t(screen.y()), uint16_t(screen.width()), uint16_t(screen.height()), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_change_property(m_c, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        uint32_t(std::strlen(magnifier_title)), magnifier_title);
    // Clicks and keys go through to the programs underneath.
    xcb_shape_rectangles(m_c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED,
                         m_window, 0, 0, 0, nullptr);
    m_window_picture = xcb_generate_id(m_c);
    xcb_render_create_picture(m_c, m_window_picture, m_window, m_root_format, 0, nullptr);
    if (m_xfixes) {
        xcb_xfixes_hide_cursor(m_c, m_root);
        m_cursor_hidden = true;
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    xcb_map_window(m_c, m_window);
    m_dirty = true;
    m_timer.start();
    xcb_flush(m_c);
    return true;
}

xcb_pixmap_t X11Magnifier::snapshot(const QRect& screen, uint32_t subwindow_mode) {
    const xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
    const xcb_pixmap_t pixmap = xcb_generate_id(m_c);
    xcb_create_pixmap(m_c, s->root_depth, pixmap, m_root, uint16_t(screen.width()),
                      uint16_t(screen.height()));
    const xcb_gcontext_t gc = xcb_generate_id(m_c);
    const uint32_t values[] = {s->black_pixel, subwindow_mode};
    xcb_create_gc(m_c, gc, m_root, XCB_GC_FOREGROUND | XCB_GC_SUBWINDOW_MODE, values);
    // What the copy leaves out (under windows) is black, not left over memory.
    const xcb_rectangle_t all{0, 0, uint16_t(screen.width()), uint16_t(screen.height())};
    xcb_poly_fill_rectangle(m_c, pixmap, gc, 1, &all);
    xcb_copy_area(m_c, m_root, pixmap, gc, int16_t(screen.x()), int16_t(screen.y()), 0, 0,
                  uint16_t(screen.width()), uint16_t(screen.height()));
    xcb_free_gc(m_c, gc);
    return pixmap;
}

void X11Magnifier::stop() {
    m_timer.stop();
    if (m_window == XCB_NONE)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    forget_sources({});
    if (m_cursor_hidden)
        xcb_xfixes_show_cursor(m_c, m_root);
    m_cursor_hidden = false;
    for (xcb_render_picture_t* p : {&m_window_picture, &m_view_picture, &m_background_picture,
                                    &m_snapshot_picture, &m_cursor_picture}) {
        if (*p != XCB_NONE)
            xcb_render_free_picture(m_c, *p);
        *p = XCB_NONE;
    }
    for (xcb_pixmap_t* p : {&m_view_pixmap, &m_snapshot, &m_background, &m_cursor_pixmap}) {
        if (*p != XCB_NONE)
            xcb_free_pixmap(m_c, *p);
        *p = XCB_NONE;
    }
    m_view_pixmap_size = QSize();
    m_cursor_serial = 0;
    xcb_destroy_window(m_c, m_window);
    m_window = XCB_NONE;
    if (m_redirected)
        xcb_composite_unredirect_subwindows(m_c, m_root, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    m_redirected = false;
    m_watch.stop();
    m_view = QRect();
    m_factor = 1.0f;
    xcb_flush(m_c);
}

void X11Magnifier::tick() {
    if (m_window == XCB_NONE)
        return;
    Freed<xcb_query_pointer_reply_t> p{
        xcb_query_pointer_reply(m_c, xcb_query_pointer(m_c, m_root), nullptr)};
    if (p && QPoint(p->root_x, p->root_y) != m_pointer) {
        m_pointer = QPoint(p->root_x, p->root_y);
        m_dirty = true;
    }
    if (m_dirty)
        render();
}

void X11Magnifier::render_now() {
    if (m_window == XCB_NONE)
        return;
    render();
    free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
}

void X11Magnifier::forget_sources(const QSet<xcb_window_t>& keep) {
    for (auto it = m_sources.begin(); it != m_sources.end();) {
        if (keep.contains(it.key())) {
            ++it;
            continue;
        }
        // The window may be gone already; errors for its resources are harmless.
        xcb_render_free_picture(m_c, it->picture);
        if (it->damage != XCB_NONE)
            xcb_damage_destroy(m_c, it->damage);
        m_damaged.remove(it->damage);
        m_live_damage.remove(it->damage);
        it = m_sources.erase(it);
    }
}

void X11Magnifier::compose_windows(xcb_render_picture_t target) {
    const QRect& v = m_view;
    if (m_snapshot_picture != XCB_NONE) {
        xcb_render_composite(m_c, XCB_RENDER_PICT_OP_SRC, m_snapshot_picture, XCB_NONE, target,
                             int16_t(v.x() - m_screen.x()), int16_t(v.y() - m_screen.y()), 0, 0, 0,
                             0, uint16_t(v.width()), uint16_t(v.height()));
        return;
    }
    xcb_render_composite(m_c, XCB_RENDER_PICT_OP_SRC, m_background_picture, XCB_NONE, target,
                         int16_t(v.x() - m_screen.x()), int16_t(v.y() - m_screen.y()), 0, 0, 0, 0,
                         uint16_t(v.width()), uint16_t(v.height()));
    const std::vector<X11MagnifierWatch::Window>& windows = m_watch.windows();
    QSet<xcb_window_t> seen;
    for (const X11MagnifierWatch::Window& w : windows) {
        if (w.id == m_window || !w.viewable || !w.input_output)
            continue;
        const QRect& area = w.area;
        const QRect part = area & v;
        if (part.isEmpty())
            continue;
        seen.insert(w.id);
        auto it = m_sources.find(w.id);
        if (it == m_sources.end()) {
            const xcb_render_pictformat_t format = format_for_visual(w.visual);
            if (format == XCB_NONE)
                continue;
            Source source;
            source.picture = xcb_generate_id(m_c);
            const uint32_t include = XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS;
            xcb_render_create_picture(m_c, source.picture, w.id, format,
                                      XCB_RENDER_CP_SUBWINDOW_MODE, &include);
            source.alpha = m_alpha_formats.contains(format);
            source.damage = xcb_generate_id(m_c);
            xcb_damage_create(m_c, source.damage, w.id, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            m_live_damage.insert(source.damage);
            it = m_sources.insert(w.id, source);
        }
        xcb_render_composite(m_c, it->alpha ? XCB_RENDER_PICT_OP_OVER : XCB_RENDER_PICT_OP_SRC,
                             it->picture, XCB_NONE, target, int16_t(part.x() - area.x()),
                             int16_t(part.y() - area.y()), 0, 0, int16_t(part.x() - v.x()),
                             int16_t(part.y() - v.y()), uint16_t(part.width()),
                             uint16_t(part.height()));
    }
    forget_sources(seen);
    if (!windows.empty() && windows.back().id != m_window) {
        // Something was raised over the magnifier: back on top.
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(m_c, m_window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        m_watch.raised(m_window);
    }
}

void X11Magnifier::load_cursor() {
    Freed<xcb_xfixes_get_cursor_image_reply_t> image{
        xcb_xfixes_get_cursor_image_reply(m_c, xcb_xfixes_get_cursor_image(m_c), nullptr)};
    if (!image || image->width == 0 || image->height == 0)
        return;
    if (image->cursor_serial == m_cursor_serial && m_cursor_picture != XCB_NONE)
        return;
    if (m_cursor_picture != XCB_NONE)
        xcb_render_free_picture(m_c, m_cursor_picture);
    if (m_cursor_pixmap != XCB_NONE)
        xcb_free_pixmap(m_c, m_cursor_pixmap);
    m_cursor_size = QSize(image->width, image->height);
    m_cursor_hot = QPoint(image->xhot, image->yhot);
    m_cursor_serial = image->cursor_serial;
    m_cursor_pixmap = xcb_generate_id(m_c);
    xcb_create_pixmap(m_c, 32, m_cursor_pixmap, m_root, image->width, image->height);
    const xcb_gcontext_t gc = xcb_generate_id(m_c);
    xcb_create_gc(m_c, gc, m_cursor_pixmap, 0, nullptr);
    xcb_put_image(
        m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_cursor_pixmap, gc, image->width, image->height, 0, 0, 0,
        32, uint32_t(image->width) * image->height * 4,
        reinterpret_cast<const uint8_t*>(xcb_xfixes_get_cursor_image_cursor_image(image.p)));
    xcb_free_gc(m_c, gc);
    m_cursor_picture = xcb_generate_id(m_c);
    xcb_render_create_picture(m_c, m_cursor_picture, m_cursor_pixmap, m_argb32, 0, nullptr);
}

void X11Magnifier::draw_pointer(double, double) {
    if (!m_xfixes || m_argb32 == XCB_NONE)
        return;
    // The picture is asked for only when the server said it changed (or nothing says so).
    if (!m_watch.running() || m_watch.take_cursor_changed() || m_cursor_picture == XCB_NONE)
        load_cursor();
    if (m_cursor_picture == XCB_NONE)
        return;
    // Drawn into the view before it is scaled, so the pointer is magnified with it.
    const QPoint at = m_pointer - m_cursor_hot - m_view.topLeft();
    xcb_render_composite(m_c, XCB_RENDER_PICT_OP_OVER, m_cursor_picture, XCB_NONE, m_view_picture,
                         0, 0, 0, 0, int16_t(at.x()), int16_t(at.y()),
                         uint16_t(m_cursor_size.width()), uint16_t(m_cursor_size.height()));
}

void X11Magnifier::render() {
    m_dirty = false;
    if (m_window == XCB_NONE || m_view.isEmpty())
        return;
    // What the server reported since is part of this frame.
    m_watch.update();
    for (xcb_damage_damage_t d : m_damaged)
        xcb_damage_subtract(m_c, d, XCB_NONE, XCB_NONE);
    m_damaged.clear();
    if (m_view_pixmap_size != m_view.size()) {
        if (m_view_picture != XCB_NONE)
            xcb_render_free_picture(m_c, m_view_picture);
        if (m_view_pixmap != XCB_NONE)
            xcb_free_pixmap(m_c, m_view_pixmap);
        const xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        m_view_pixmap = xcb_generate_id(m_c);
        xcb_create_pixmap(m_c, s->root_depth, m_view_pixmap, m_root, uint16_t(m_view.width()),
                          uint16_t(m_view.height()));
        m_view_picture = xcb_generate_id(m_c);
        xcb_render_create_picture(m_c, m_view_picture, m_view_pixmap, m_root_format, 0, nullptr);
        static const char filter[] = "bilinear";
        xcb_render_set_picture_filter(m_c, m_view_picture, uint16_t(std::strlen(filter)), filter, 0,
                                      nullptr);
        m_view_pixmap_size = m_view.size();
    }
    const xcb_render_color_t black{0, 0, 0, 0xffff};
    const xcb_rectangle_t all{0, 0, uint16_t(m_view.width()), uint16_t(m_view.height())};
    set_scale(m_c, m_view_picture, 1.0, 1.0);
    xcb_render_fill_rectangles(m_c, XCB_RENDER_PICT_OP_SRC, m_view_picture, black, 1, &all);
    compose_windows(m_view_picture);
    draw_pointer(0, 0);
    // The view fills the screen exactly (its size was rounded down from screen / factor).
    set_scale(m_c, m_view_picture, double(m_view.width()) / m_screen.width(),
              double(m_view.height()) / m_screen.height());
    xcb_render_composite(m_c, XCB_RENDER_PICT_OP_SRC, m_view_picture, XCB_NONE, m_window_picture, 0,
                         0, 0, 0, 0, 0, uint16_t(m_screen.width()), uint16_t(m_screen.height()));
    xcb_flush(m_c);
    ++m_frames;
}

bool X11Magnifier::nativeEventFilter(const QByteArray& event_type, void* message, long*) {
    if (m_window == XCB_NONE || event_type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (m_damage && type == m_damage_event) {
        const auto* d = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
        // A report may come after its damage was destroyed: nothing to subtract then.
        if (m_live_damage.contains(d->damage))
            m_damaged.insert(d->damage);
        m_dirty = true;
        return true;
    }
    switch (type) {
    case XCB_EXPOSE:
        if (reinterpret_cast<const xcb_expose_event_t*>(event)->window == m_window) {
            m_dirty = true;
            return true;
        }
        return false;
    default:
        return false;
    }
}
