#include "X11EchoCheck.h"

#include "MonotonicClock.h"
#include "platform/PasteHold.h"

#include <cstdlib>
#include <memory>

namespace {
// A new owner that does not say what it holds within this long is taken as a real copy.
constexpr int echo_check_ms = 1000;
} // namespace

X11EchoCheck::X11EchoCheck(xcb_connection_t* connection, xcb_window_t window, const Atoms& atoms,
                           PasteHold& hold)
    : m_connection(connection), m_window(window), m_atoms(atoms), m_hold(hold) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(echo_check_ms);
    connect(&m_timer, &QTimer::timeout, this, [this] { finish(false); });
}

void X11EchoCheck::remember_text(quint32 client, const QByteArray& text) {
    if (m_text_given.size() > 64)
        m_text_given.clear();
    m_text_given.insert(client, text);
}

bool X11EchoCheck::start(quint32 client, xcb_timestamp_t time) {
    if (!m_hold.is_echo(monotonic_ms(), client) || !m_text_given.contains(client))
        return false;
    m_pending = true;
    m_client = client;
    m_time = time;
    m_timer.start();
    xcb_delete_property(m_connection, m_window, m_atoms.property);
    xcb_convert_selection(m_connection, m_window, m_atoms.clipboard, m_atoms.utf8, m_atoms.property,
                          time);
    xcb_flush(m_connection);
    return true;
}

void X11EchoCheck::cancel() {
    m_pending = false;
    m_timer.stop();
}

void X11EchoCheck::answer(xcb_atom_t property) {
    if (property == XCB_ATOM_NONE) {
        finish(false);
        return;
    }
    const QByteArray served = m_text_given.value(m_client);
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> value(
        xcb_get_property_reply(m_connection,
                               xcb_get_property(m_connection, 1, m_window, m_atoms.property,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0,
                                                uint32_t(served.size() / 4 + 2)),
                               nullptr),
        &std::free);
    if (!value) {
        finish(false);
        return;
    }
    if (value->type == m_atoms.incr) {
        // Too large to send at once: its announced size has to do. The owner waits for us to
        // read the parts; it gives up on its own.
        const uint32_t size = xcb_get_property_value_length(value.get()) >= 4
                                  ? *static_cast<uint32_t*>(xcb_get_property_value(value.get()))
                                  : 0;
        finish(size == uint32_t(served.size()));
        return;
    }
    const QByteArray got(static_cast<const char*>(xcb_get_property_value(value.get())),
                         xcb_get_property_value_length(value.get()));
    finish(value->bytes_after == 0 && got == served);
}

void X11EchoCheck::finish(bool echo) {
    if (!m_pending)
        return;
    cancel();
    if (echo)
        m_hold.echo_seen(monotonic_ms(), m_client);
    emit decided(echo);
}
