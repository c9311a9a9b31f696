#pragma once

#include <QtGlobal>

#include <deque>

// Every key event can reach the keyboard twice: as a raw event and as a core event of a grab.
// This pairs the two copies of one event by keycode, server time and direction, each copy used
// once, since time alone does not tell apart two presses within the same millisecond; and it
// remembers which copy of a press was reported, so the other one is not reported again. Pure
// bookkeeping over the last events: a copy whose twin never comes is forgotten in time.
class KeyCopies {
public:
    static constexpr size_t memory = 64;

    // A key event arrived: true when it is the second copy of an event seen already.
    bool is_copy(quint8 keycode, quint32 time, bool press, bool from_grab);

    // A press was reported through one path.
    void reported(quint8 keycode, quint32 time, bool from_grab);
    // Whether a press was reported through that path; true once per report.
    bool take_reported(quint8 keycode, quint32 time, bool from_grab);

private:
    struct Copy {
        quint8 keycode = 0;
        quint32 time = 0;
        bool press = false;
        bool from_grab = false; // core event, else raw
        bool matched = false;
    };
    static void remember(std::deque<Copy>& copies, const Copy& copy);

    std::deque<Copy> m_seen;
    std::deque<Copy> m_reported;
};
