#include "X11IncrTransfers.h"

#include "MonotonicClock.h"
#include "X11Property.h"
#include "platform/PasteHold.h"

#include <QtDebug>

#include <algorithm>

namespace {
// A transfer that has not moved for this long belongs to a requestor that died or stopped.
constexpr qint64 stale_transfer_ms = 5000;
} // namespace

X11IncrTransfers::X11IncrTransfers(xcb_connection_t* connection, PasteHold& hold)
    : m_connection(connection), m_hold(hold) {
    // Requests carry their length in 4-byte units; keep well below the server's limit.
    const qint64 max_bytes = qint64(xcb_get_maximum_request_length(m_connection)) * 4;
    m_part_size = int(std::min<qint64>(256 * 1024, max_bytes - 1024));
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &X11IncrTransfers::drop_stale);
}

X11IncrTransfers::~X11IncrTransfers() {
    for (const Transfer& transfer : m_transfers)
        X11Property::watch(m_connection, transfer.window, false);
}

void X11IncrTransfers::start(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type,
                             xcb_atom_t incr, const QByteArray& bytes, quint32 client) {
    // A request into the property of an unfinished transfer: the requestor gave that one up.
    const auto old = std::find_if(m_transfers.begin(), m_transfers.end(), [&](const Transfer& t) {
        return t.window == requestor && t.property == property;
    });
    if (old != m_transfers.end()) {
        const quint32 old_client = old->client;
        m_transfers.erase(old);
        m_hold.transfer_ended(monotonic_ms(), old_client);
    }
    X11Property::watch(m_connection, requestor, true);
    const uint32_t size = uint32_t(bytes.size());
    X11Property::replace(m_connection, requestor, property, incr, 32, 1, &size);
    m_transfers.push_back({requestor, property, type, bytes, 0, client, monotonic_ms()});
    m_hold.transfer_started(client);
    if (!m_timer.isActive())
        m_timer.start();
}

bool X11IncrTransfers::property_deleted(xcb_window_t window, xcb_atom_t property) {
    const auto it = std::find_if(m_transfers.begin(), m_transfers.end(), [&](const Transfer& t) {
        return t.window == window && t.property == property;
    });
    if (it == m_transfers.end())
        return false;
    const qint64 now = monotonic_ms();
    const quint32 client = it->client;
    const int part = std::min(it->data.size() - it->offset, m_part_size);
    // The last part is empty: that tells the requestor the data is complete.
    X11Property::replace(m_connection, window, property, it->type, 8, uint32_t(part),
                         it->data.constData() + it->offset);
    it->offset += part;
    it->last_step = now;
    if (part == 0) {
        m_transfers.erase(it);
        unwatch_unless_busy(window);
        m_hold.transfer_ended(now, client);
    }
    xcb_flush(m_connection);
    m_hold.request(now, client, PasteHold::Request::Data);
    emit activity();
    return true;
}

void X11IncrTransfers::unwatch_unless_busy(xcb_window_t window) {
    for (const Transfer& other : m_transfers) {
        if (other.window == window)
            return;
    }
    X11Property::watch(m_connection, window, false);
}

void X11IncrTransfers::drop_stale() {
    const qint64 now = monotonic_ms();
    for (auto it = m_transfers.begin(); it != m_transfers.end();) {
        if (now - it->last_step < stale_transfer_ms) {
            ++it;
            continue;
        }
        qWarning("X11ClipboardOwner: a program stopped reading a large paste; transfer dropped");
        const quint32 client = it->client;
        const xcb_window_t window = it->window;
        it = m_transfers.erase(it);
        // The same window may still take another transfer that moves.
        unwatch_unless_busy(window);
        m_hold.transfer_ended(now, client);
    }
    if (m_transfers.empty())
        m_timer.stop();
    xcb_flush(m_connection);
    emit activity();
}
