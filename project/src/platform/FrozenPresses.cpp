#include "platform/FrozenPresses.h"

#include <algorithm>

namespace {
// Released presses are remembered this long, for the GUI thread to find out.
constexpr qint64 memory_ms = 10000;
} // namespace

void FrozenPresses::pressed(quint32 time, qint64 now) {
    forget_old(now);
    m_presses.emplace(time, Press{State::Seen, now}); // a claim may have come first
}

bool FrozenPresses::claim(quint32 time, qint64 now) {
    auto it = m_presses.find(time);
    if (it == m_presses.end()) {
        m_presses.emplace(time, Press{State::Claimed, now});
        return true;
    }
    if (it->second.state == State::Released)
        return false;
    it->second.state = State::Claimed;
    return true;
}

bool FrozenPresses::begin_report(quint32 time, qint64 now) {
    auto it = m_presses.find(time);
    if (it == m_presses.end()) {
        m_presses.emplace(time, Press{State::Reporting, now});
        return true;
    }
    if (it->second.state == State::Released)
        return false;
    it->second.state = State::Reporting;
    return true;
}

bool FrozenPresses::released(quint32 time) const {
    const auto it = m_presses.find(time);
    return it != m_presses.end() && it->second.state == State::Released;
}

void FrozenPresses::finished(quint32 time) {
    m_presses.erase(time);
}

std::vector<quint32> FrozenPresses::due(qint64 now, qint64 gui_busy_ms) {
    std::vector<quint32> release;
    for (auto& [time, press] : m_presses) {
        const qint64 age = now - press.since;
        bool go = age >= hard_cap_ms;
        switch (press.state) {
        case State::Seen:
            go = go || age >= unclaimed_ms;
            break;
        case State::Claimed:
            go = go || (age >= unclaimed_ms && gui_busy_ms >= stalled_ms);
            break;
        case State::Reporting:
        case State::Released:
            break;
        }
        if (press.state == State::Released)
            go = false;
        if (go) {
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
            at = press.since + unclaimed_ms;
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
