#include "platform/FrozenPresses.h"

#include <algorithm>

namespace {
// Released presses are remembered this long, for the GUI thread to find out.
constexpr qint64 memory_ms = 10000;
} // namespace

void FrozenPresses::pressed(quint32 time, qint64 now) {
    m_last_now = now;
    forget_old(now);
    const auto range = m_presses.equal_range(time);
    for (auto it = range.first; it != range.second; ++it) {
        if (!it->second.raw_seen) { // the GUI thread was first
            it->second.raw_seen = true;
            return;
        }
    }
    Press press;
    press.since = now;
    press.raw_seen = true;
    m_presses.emplace(time, press);
}

void FrozenPresses::gui_alive() {
    m_gui_stuck = false;
}

FrozenPresses::Presses::iterator FrozenPresses::current(quint32 time) {
    const auto range = m_presses.equal_range(time);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.gui_seen && it->second.state != State::Done)
            return it;
    }
    return m_presses.end();
}

bool FrozenPresses::claim(quint32 time, qint64 now) {
    m_last_now = now;
    m_gui_stuck = false;
    const auto range = m_presses.equal_range(time);
    for (auto it = range.first; it != range.second; ++it) {
        Press& press = it->second;
        if (press.gui_seen)
            continue;
        press.gui_seen = true;
        if (press.state == State::Released)
            return false;
        press.state = State::Claimed;
        return true;
    }
    Press press;
    press.state = State::Claimed;
    press.since = now;
    press.gui_seen = true;
    m_presses.emplace(time, press);
    return true;
}

bool FrozenPresses::begin_report(quint32 time, qint64 now) {
    m_gui_stuck = false;
    auto it = current(time);
    if (it == m_presses.end()) {
        Press press;
        press.state = State::Reporting;
        press.since = now;
        press.gui_seen = true;
        m_presses.emplace(time, press);
        return true;
    }
    if (it->second.state == State::Released)
        return false;
    it->second.state = State::Reporting;
    return true;
}

bool FrozenPresses::released(quint32 time) const {
    // The press the GUI thread deals with, else the one it will take up next.
    const auto range = m_presses.equal_range(time);
    for (auto it = range.first; it != range.second; ++it) {
        if (it->second.gui_seen && it->second.state != State::Done)
            return it->second.state == State::Released;
    }
    for (auto it = range.first; it != range.second; ++it) {
        if (!it->second.gui_seen)
            return it->second.state == State::Released;
    }
    return false;
}

void FrozenPresses::finished(quint32 time) {
    // Kept a while: its raw event may still be on its way, and must not start a new watch.
    auto it = current(time);
    if (it != m_presses.end()) {
        it->second.state = State::Done;
        it->second.since = m_last_now;
    }
}

std::vector<quint32> FrozenPresses::due(qint64 now, qint64 gui_busy_ms) {
    m_last_now = now;
    std::vector<quint32> release;
    const bool stuck = m_gui_stuck; // as of before this round
    for (auto& [time, press] : m_presses) {
        const qint64 age = now - press.since;
        bool go = age >= hard_cap_ms;
        switch (press.state) {
        case State::Seen:
            go = go || age >= unclaimed_ms || stuck;
            break;
        case State::Claimed:
            go = go || (age >= unclaimed_ms && gui_busy_ms >= stalled_ms);
            break;
        case State::Reporting:
        case State::Released:
        case State::Done:
            break;
        }
        if (press.state == State::Released || press.state == State::Done)
            go = false;
        if (go) {
            if (press.state != State::Reporting)
                m_gui_stuck = true;
            press.state = State::Released;
            press.since = now;
            release.push_back(time);
        }
    }
    forget_old(now);
    return release;
}

qint64 FrozenPresses::next_check(qint64 now) const {
    qint64 next = -1;
    for (const auto& [time, press] : m_presses) {
        Q_UNUSED(time);
        qint64 at = -1;
        switch (press.state) {
        case State::Seen:
            at = m_gui_stuck ? now : press.since + unclaimed_ms;
            break;
        case State::Claimed:
            // Checked again and again while held: the GUI thread may stall at any moment.
            at = std::max(press.since + unclaimed_ms, now + stalled_ms / 5);
            at = std::min(at, press.since + hard_cap_ms);
            break;
        case State::Reporting:
            at = press.since + hard_cap_ms;
            break;
        case State::Released:
        case State::Done:
            break;
        }
        if (at >= 0 && (next < 0 || at < next))
            next = at;
    }
    return next;
}

void FrozenPresses::forget_old(qint64 now) {
    for (auto it = m_presses.begin(); it != m_presses.end();) {
        const bool stale = now - it->second.since > memory_ms;
        it = stale ? m_presses.erase(it) : std::next(it);
    }
}
