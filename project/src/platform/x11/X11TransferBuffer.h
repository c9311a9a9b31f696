#pragma once

#include <QByteArray>

#include <utility>

// The bytes of one answer as its properties are read, held to a budget: either one property
// holds it all, or after an INCR announcement it comes in parts, the last one empty. Reading
// asks for no more than the budget allows, so an answer beyond it is left on the server.
class X11TransferBuffer {
public:
    enum class State { Reading, Done, TooLarge };

    explicit X11TransferBuffer(qint64 budget) : m_budget(budget) {}

    // The length to ask for, in 4-byte units: one unit more than the room left, so that an
    // answer too large shows as such.
    quint32 request_units() const;
    // The answer comes in parts from now on.
    void expect_parts();
    // A property as read: its bytes and how many bytes the server held back beyond them.
    State add(const char* data, int length, quint32 bytes_after);

    State state() const { return m_state; }
    const QByteArray& bytes() const { return m_bytes; }
    QByteArray take() { return std::move(m_bytes); }

private:
    qint64 room() const;

    qint64 m_budget;
    bool m_parts = false;
    State m_state = State::Reading;
    QByteArray m_bytes;
};
