#include "X11MouseHook.h"

#include "X11Connection.h"
#include "X11RootInputSelection.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdlib>
#include <xcb/xinput.h>

namespace {
constexpr uint32_t raw_pointer_mask = XCB_INPUT_XI_EVENT_MASK_RAW_MOTION |
                                      XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS |
                                      XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_RELEASE;
} // namespace

X11MouseHook::X11MouseHook(const X11Connection& x11) : m_x11(x11) {}

X11MouseHook::~X11MouseHook() {
    uninstall();
}

bool X11MouseHook::install(Callback callback, QString* error) {
    m_callback = std::move(callback);
    if (m_installed)
        return true;
    if (!m_x11.root_input().available()) {
        if (error)
            *error = QStringLiteral("no XInput 2.2: pointer events cannot be followed");
        return false;
    }
    if (!m_x11.root_input().add(raw_pointer_mask)) {
        if (error)
            *error = QStringLiteral("the X server refused raw pointer events");
        return false;
    }
    m_opcode = m_x11.root_input().opcode();
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_installed = true;
    return true;
}

void X11MouseHook::uninstall() {
    if (!m_installed)
        return;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    m_x11.root_input().remove(raw_pointer_mask);
    m_installed = false;
}

QPoint X11MouseHook::query_pointer() const {
    xcb_connection_t* c = m_x11.connection();
    if (!c)
        return QPoint();
    xcb_query_pointer_reply_t* reply =
        xcb_query_pointer_reply(c, xcb_query_pointer(c, m_x11.root()), nullptr);
    if (!reply)
        return QPoint();
    const QPoint p(reply->root_x, reply->root_y);
    std::free(reply);
    return p;
}

void X11MouseHook::deliver_motion() {
    m_motion_pending = false;
    if (m_installed && m_callback)
        m_callback({Event::Kind::Move, query_pointer(), 0});
}

bool X11MouseHook::nativeEventFilter(const QByteArray& event_type, void* message, long*) {
    if (!m_installed || event_type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
        return false;
    const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (generic->extension != m_opcode)
        return false;
    switch (generic->event_type) {
    case XCB_INPUT_RAW_MOTION:
        // A mouse reports up to a thousand times a second: one position per burst is enough.
        if (!m_motion_pending) {
            m_motion_pending = true;
            QTimer::singleShot(0, this, &X11MouseHook::deliver_motion);
        }
        return false;
    case XCB_INPUT_RAW_BUTTON_PRESS:
    case XCB_INPUT_RAW_BUTTON_RELEASE: {
        const auto* raw = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
        if (m_callback)
            m_callback({generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS ? Event::Kind::Press
                                                                          : Event::Kind::Release,
                        query_pointer(), int(raw->detail)});
        return false;
    }
    default:
        return false;
    }
}
