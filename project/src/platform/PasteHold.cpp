#include "platform/PasteHold.h"

#include <algorithm>

void PasteHold::entry_served() {
    m_entry_served = true;
}

void PasteHold::paste_released(qint64 now, quint32 target) {
    // A paste with nothing of ours on the clipboard is read from another program: nothing to
    // wait for.
    m_active = m_entry_served;
    m_entry_served = false;
    m_target = target;
    m_released_at = now;
    m_last_request = now;
    m_any_request = false;
    m_data = false;
    m_slow_reader = false;
    m_longest_pause = 0;
    m_transfers = 0;
    m_echo_due = m_active && m_echoing.contains(target);
}

bool PasteHold::counts(quint32 client) const {
    return m_target == 0 || client == m_target;
}

void PasteHold::request(qint64 now, quint32 client, Request kind, bool slow_reader) {
    if (kind == Request::Data) {
        m_data_given.insert(client, now);
        if (m_data_given.size() > 64) // a few clients at most; forget the oldest
            m_data_given.erase(std::min_element(m_data_given.begin(), m_data_given.end()));
    }
    if (!m_active || !counts(client))
        return;
    m_longest_pause = std::max(m_longest_pause, now - m_last_request);
    m_any_request = true;
    m_last_request = now;
    m_slow_reader = m_slow_reader || slow_reader;
    if (kind == Request::Data)
        m_data = true;
}

void PasteHold::transfer_started(quint32 client) {
    if (m_active && counts(client))
        ++m_transfers;
}

void PasteHold::transfer_ended(qint64 now, quint32 client) {
    if (!m_active || !counts(client) || m_transfers == 0)
        return;
    --m_transfers;
    m_last_request = now;
}

qint64 PasteHold::quiet() const {
    return std::max(m_slow_reader ? slow_reader_quiet_ms : quiet_ms, 2 * m_longest_pause);
}

bool PasteHold::paste_finished(qint64 now) const {
    if (!m_active)
        return true;
    if (m_transfers > 0)
        return false;
    if (m_data && m_echo_due)
        return now - m_released_at >= cap_ms;
    if (m_data)
        return now - m_last_request >= quiet();
    if (m_any_request)
        return now - m_last_request >= std::max(formats_only_quiet_ms, quiet());
    return now - m_released_at >= cap_ms;
}

bool PasteHold::may_release(qint64 now, qint64 frozen_at) const {
    return now - frozen_at >= cap_ms || paste_finished(now);
}

qint64 PasteHold::release_due(qint64 frozen_at) const {
    qint64 due = frozen_at + cap_ms;
    if (!m_active)
        return frozen_at;
    if (m_transfers == 0) {
        if (m_data && m_echo_due)
            due = std::min(due, m_released_at + cap_ms);
        else if (m_data)
            due = std::min(due, m_last_request + quiet());
        else if (m_any_request)
            due = std::min(due, m_last_request + std::max(formats_only_quiet_ms, quiet()));
        else
            due = std::min(due, m_released_at + cap_ms);
    }
    return due;
}

void PasteHold::echo_seen(qint64 now, quint32 client) {
    if (client == 0)
        return;
    if (m_echoing.size() < 64)
        m_echoing.insert(client);
    if (m_active && counts(client)) {
        m_echo_due = false;
        m_last_request = now;
    }
}

void PasteHold::copy_key_pressed() {
    m_data_given.clear();
}

bool PasteHold::is_echo(qint64 now, quint32 client) const {
    const auto given = m_data_given.constFind(client);
    return client != 0 && given != m_data_given.constEnd() && now - *given <= echo_ms;
}
