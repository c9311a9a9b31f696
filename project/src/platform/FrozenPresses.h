#pragma once

#include <QtGlobal>

#include <map>
#include <vector>

// The guarantee that a frozen paste key never waits on a busy GUI thread, as bookkeeping a
// second thread runs: it hears every paste key press from the server itself (keyed by the
// press's server time), and lets a frozen one through when the GUI thread has not taken it up in
// time, or took it up and then stopped answering. The GUI thread asks before it reports a press:
// a press already let through is not reported, so the position does not move for a paste whose
// entry never reached the clipboard, and the next press pastes that entry. Once one press had to
// be let through, the next ones go at once until the GUI thread shows up again.
//
// Times are milliseconds of a monotonic clock; keys are server timestamps of presses.
class FrozenPresses {
public:
    // Whatever the GUI thread does, a press it has not taken up goes on after this long: well
    // inside the 150 ms promised, with room for the thread to be scheduled.
    static constexpr qint64 unclaimed_ms = 100;
    // A press the GUI thread holds on purpose (the paste hold) goes on after this long once the
    // GUI thread has been busy for stalled_ms without a turn of its event loop.
    static constexpr qint64 stalled_ms = 50;
    // Never longer than this, whatever state it is in.
    static constexpr qint64 hard_cap_ms = 400;

    // The server thread saw the press.
    void pressed(quint32 time, qint64 now);
    // The GUI thread took the press up (it is queued or held); false when it was let through
    // already, and then it must not be reported.
    bool claim(quint32 time, qint64 now);
    // Right before the report: false when it was let through meanwhile.
    bool begin_report(quint32 time, qint64 now);
    // Whether the press was let through already (the GUI thread must then drop it).
    bool released(quint32 time) const;
    // The GUI thread replayed the press itself.
    void finished(quint32 time);

    // The GUI thread showed it is running (a claim or a beat).
    void gui_alive();

    // The presses to let through now. gui_busy_ms: how long the GUI thread has been running
    // without a turn of its event loop (0 when it waits for events).
    std::vector<quint32> due(qint64 now, qint64 gui_busy_ms);
    // When due() may next return something; -1 when nothing is pending.
    qint64 next_check(qint64 now) const;

    bool pending() const { return next_check(m_last_now) >= 0; }

private:
    enum class State { Seen, Claimed, Reporting, Released, Done };
    struct Press {
        State state = State::Seen;
        qint64 since = 0;
        bool raw_seen = false; // the server thread heard it
        bool gui_seen = false; // the GUI thread took it up
    };
    using Presses = std::multimap<quint32, Press>;
    // The press the GUI thread is dealing with under that time: two presses can share a
    // millisecond (a replayed press may activate a grab again).
    Presses::iterator current(quint32 time);
    void forget_old(qint64 now);

    Presses m_presses;
    // A press had to be let through and the GUI thread has not shown up since: the next ones go
    // at once instead of each waiting its own time behind the last (presses pile up in the
    // server while the keyboard is frozen).
    bool m_gui_stuck = false;
    qint64 m_last_now = 0;
};
