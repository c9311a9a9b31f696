#include "X11ClipboardHandoff.h"

#include "X11Connection.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QtDebug>

#include <cstdlib>
#include <cstring>

X11ClipboardHandoff::X11ClipboardHandoff(const X11Connection& x11, xcb_window_t owner,
                                         QVector<xcb_atom_t> targets)
    : m_x11(x11), m_connection(x11.connection()), m_owner(owner), m_targets(std::move(targets)) {}

bool X11ClipboardHandoff::run(int timeout_ms) {
    if (!m_connection || m_targets.isEmpty())
        return false;
    m_x11.intern({"CLIPBOARD_MANAGER", "SAVE_TARGETS", "_CORVANA_SAVE_TARGETS"});
    m_manager = m_x11.atom("CLIPBOARD_MANAGER");
    const xcb_atom_t save_targets = m_x11.atom("SAVE_TARGETS");
    const xcb_atom_t property = m_x11.atom("_CORVANA_SAVE_TARGETS");
    if (m_manager == XCB_NONE || save_targets == XCB_NONE || property == XCB_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_manager), nullptr);
    const bool manager_runs = owner && owner->owner != XCB_NONE;
    std::free(owner);
    if (!manager_runs) {
        qDebug("Clipboard: no clipboard manager runs; what was pasted last goes with us");
        return false;
    }
    // The targets worth keeping, so the manager need not ask for our TARGETS first.
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_owner, property, XCB_ATOM_ATOM, 32,
                        uint32_t(m_targets.size()), m_targets.constData());
    xcb_convert_selection(m_connection, m_owner, m_manager, save_targets, property, m_x11.time());
    xcb_flush(m_connection);

    QEventLoop loop;
    m_loop = &loop;
    QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
    QCoreApplication::instance()->installNativeEventFilter(this);
    // Answered before the loop starts (the events were read meanwhile) is answered all the same.
    if (!m_answered)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::instance()->removeNativeEventFilter(this);
    m_loop = nullptr;
    if (!m_answered)
        qWarning("Clipboard: the clipboard manager did not take the clipboard within %d ms",
                 timeout_ms);
    else if (!m_saved)
        qWarning("Clipboard: the clipboard manager refused to keep the clipboard");
    else
        qDebug("Clipboard: handed to the clipboard manager");
    return m_saved;
}

bool X11ClipboardHandoff::nativeEventFilter(const QByteArray& event_type, void* message, long*) {
    if (event_type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
        return false;
    const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
    if (notify->requestor != m_owner || notify->selection != m_manager)
        return false;
    m_answered = true;
    m_saved = notify->property != XCB_NONE;
    if (m_loop)
        m_loop->quit();
    return true;
}
