#include "X11MagnifierWatch.h"

#include <QtDebug>

#include <algorithm>
#include <cstdlib>
#include <xcb/xfixes.h>

namespace {
QRect inside_border(int16_t x, int16_t y, uint16_t width, uint16_t height, uint16_t border) {
    return QRect(x + border, y + border, width, height);
}
} // namespace

X11MagnifierWatch::~X11MagnifierWatch() {
    stop();
}

bool X11MagnifierWatch::start(bool cursor_events) {
    stop();
    int screen_number = 0;
    m_c = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(m_c)) {
        qWarning("The magnifier cannot follow the windows: no second connection to the X server");
        xcb_disconnect(m_c);
        m_c = nullptr;
        return false;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_c));
    for (int i = 0; i < screen_number && screens.rem > 1; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
    m_cursor_event = 0;
    if (cursor_events) {
        const xcb_query_extension_reply_t* e = xcb_get_extension_data(m_c, &xcb_xfixes_id);
        if (e && e->present) {
            std::free(
                xcb_xfixes_query_version_reply(m_c, xcb_xfixes_query_version(m_c, 4, 0), nullptr));
            xcb_xfixes_select_cursor_input(m_c, m_root,
                                           XCB_XFIXES_CURSOR_NOTIFY_MASK_DISPLAY_CURSOR);
            m_cursor_event = uint8_t(e->first_event + XCB_XFIXES_CURSOR_NOTIFY);
        }
    }
    const xcb_query_tree_cookie_t tree_cookie = xcb_query_tree(m_c, m_root);
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(m_c, tree_cookie, nullptr);
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            Window w;
            w.id = children[i];
            m_windows.push_back(w);
            m_unknown.push_back(w.id);
        }
        std::free(tree);
    }
    // Events read so far happened before the tree was read, which already shows them; later
    // ones (their sequence is the tree's or after) are applied to it.
    while (xcb_generic_event_t* event = xcb_poll_for_queued_event(m_c)) {
        if (int16_t(uint16_t(event->sequence - uint16_t(tree_cookie.sequence))) >= 0)
            apply(event);
        std::free(event);
    }
    learn();
    m_cursor_changed = true;
    m_notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(m_c), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11MagnifierWatch::changed);
    update();
    return true;
}

void X11MagnifierWatch::stop() {
    m_notifier.reset();
    if (m_c)
        xcb_disconnect(m_c);
    m_c = nullptr;
    m_windows.clear();
    m_windows.shrink_to_fit();
    m_unknown.clear();
    m_cursor_changed = true;
    m_changed = false;
}

bool X11MagnifierWatch::update() {
    if (!m_c)
        return false;
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_c)) {
            apply(event);
            std::free(event);
        }
        if (m_unknown.empty())
            break;
        // Reading the replies may queue further events: the loop applies them too.
        learn();
    }
    if (xcb_connection_has_error(m_c) && m_notifier) {
        qWarning("The magnifier lost its second connection: windows are no longer followed");
        m_notifier->setEnabled(false);
    }
    const bool changed = m_changed;
    m_changed = false;
    return changed;
}

bool X11MagnifierWatch::take_cursor_changed() {
    const bool changed = m_cursor_changed;
    m_cursor_changed = false;
    return changed;
}

std::vector<X11MagnifierWatch::Window>::iterator X11MagnifierWatch::find(xcb_window_t id) {
    return std::find_if(m_windows.begin(), m_windows.end(),
                        [id](const Window& w) { return w.id == id; });
}

void X11MagnifierWatch::insert_above(Window window, xcb_window_t sibling) {
    // No sibling: at the bottom. A sibling not known (yet): on top, where new windows go.
    auto at = m_windows.begin();
    if (sibling != XCB_NONE) {
        at = find(sibling);
        if (at != m_windows.end())
            ++at;
    }
    m_windows.insert(at, window);
}

void X11MagnifierWatch::raised(xcb_window_t window) {
    auto it = find(window);
    if (it == m_windows.end())
        return;
    const Window w = *it;
    m_windows.erase(it);
    m_windows.push_back(w);
}

void X11MagnifierWatch::learn() {
    std::vector<xcb_window_t> ids;
    ids.swap(m_unknown);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    // All questions first, then the answers: one round trip for all of them.
    std::vector<xcb_get_window_attributes_cookie_t> attributes(ids.size());
    std::vector<xcb_get_geometry_cookie_t> geometries(ids.size());
    for (size_t i = 0; i < ids.size(); ++i) {
        attributes[i] = xcb_get_window_attributes(m_c, ids[i]);
        geometries[i] = xcb_get_geometry(m_c, ids[i]);
    }
    for (size_t i = 0; i < ids.size(); ++i) {
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(m_c, attributes[i], nullptr);
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(m_c, geometries[i], nullptr);
        auto it = find(ids[i]);
        if (it != m_windows.end()) {
            if (a && g) {
                it->area = inside_border(g->x, g->y, g->width, g->height, g->border_width);
                it->visual = a->visual;
                it->viewable = a->map_state == XCB_MAP_STATE_VIEWABLE;
                it->input_output = a->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
            } else {
                // Gone already; its destruction is on its way.
                m_windows.erase(it);
            }
        }
        std::free(a);
        std::free(g);
    }
    m_changed = true;
}

void X11MagnifierWatch::apply(const xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    if (m_cursor_event != 0 && type == m_cursor_event) {
        m_cursor_changed = true;
        m_changed = true;
        return;
    }
    switch (type) {
    case XCB_CREATE_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_create_notify_event_t*>(event);
        if (e->parent != m_root || find(e->window) != m_windows.end())
            return;
        // A new window is created on top of its siblings, not yet mapped.
        Window w;
        w.id = e->window;
        w.area = inside_border(e->x, e->y, e->width, e->height, e->border_width);
        m_windows.push_back(w);
        m_unknown.push_back(w.id);
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        auto it = find(e->window);
        if (e->event != m_root || it == m_windows.end())
            return;
        m_windows.erase(it);
        break;
    }
    case XCB_MAP_NOTIFY:
    case XCB_UNMAP_NOTIFY: {
        // Both events have the same layout up to the window.
        const auto* e = reinterpret_cast<const xcb_map_notify_event_t*>(event);
        auto it = find(e->window);
        if (e->event != m_root || it == m_windows.end())
            return;
        it->viewable = type == XCB_MAP_NOTIFY;
        break;
    }
    case XCB_CONFIGURE_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        auto it = find(e->window);
        if (e->event != m_root || it == m_windows.end())
            return;
        Window w = *it;
        w.area = inside_border(e->x, e->y, e->width, e->height, e->border_width);
        m_windows.erase(it);
        insert_above(w, e->above_sibling);
        break;
    }
    case XCB_GRAVITY_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_gravity_notify_event_t*>(event);
        auto it = find(e->window);
        if (e->event != m_root || it == m_windows.end())
            return;
        // Moved with its parent's resize: its place is asked for again (this is rare).
        m_unknown.push_back(e->window);
        break;
    }
    case XCB_CIRCULATE_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_circulate_notify_event_t*>(event);
        auto it = find(e->window);
        if (e->event != m_root || it == m_windows.end())
            return;
        const Window w = *it;
        m_windows.erase(it);
        if (e->place == XCB_PLACE_ON_TOP)
            m_windows.push_back(w);
        else
            m_windows.insert(m_windows.begin(), w);
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto* e = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        if (e->event != m_root)
            return;
        auto it = find(e->window);
        if (it != m_windows.end())
            m_windows.erase(it);
        if (e->parent == m_root) {
            // Put on top of its new siblings; its size and state are asked for.
            Window w;
            w.id = e->window;
            m_windows.push_back(w);
            m_unknown.push_back(w.id);
        }
        break;
    }
    default:
        return;
    }
    m_changed = true;
}
