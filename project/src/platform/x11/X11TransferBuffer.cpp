#include "X11TransferBuffer.h"

#include <algorithm>

qint64 X11TransferBuffer::room() const {
    return std::max<qint64>(0, m_budget - m_bytes.size());
}

quint32 X11TransferBuffer::request_units() const {
    return quint32(std::min<qint64>(room() / 4 + 1, 0xffffffffLL));
}

void X11TransferBuffer::expect_parts() {
    m_parts = true;
    m_bytes.clear();
    m_state = State::Reading;
}

X11TransferBuffer::State X11TransferBuffer::add(const char* data, int length, quint32 bytes_after) {
    if (m_state != State::Reading)
        return m_state;
    if (length < 0 || bytes_after > 0 || length > room()) {
        m_bytes.clear();
        m_state = State::TooLarge;
        return m_state;
    }
    m_bytes.append(data, length);
    if (!m_parts || length == 0)
        m_state = State::Done;
    return m_state;
}
