#include "platform/KeyCopies.h"

bool KeyCopies::is_copy(quint8 keycode, quint32 time, bool press, bool from_grab) {
    for (Copy& copy : m_seen) {
        if (!copy.matched && copy.from_grab != from_grab && copy.keycode == keycode &&
            copy.time == time && copy.press == press) {
            copy.matched = true;
            return true;
        }
    }
    remember(m_seen, {keycode, time, press, from_grab, false});
    return false;
}

void KeyCopies::reported(quint8 keycode, quint32 time, bool from_grab) {
    remember(m_reported, {keycode, time, true, from_grab, false});
}

bool KeyCopies::take_reported(quint8 keycode, quint32 time, bool from_grab) {
    for (Copy& copy : m_reported) {
        if (!copy.matched && copy.from_grab == from_grab && copy.keycode == keycode &&
            copy.time == time) {
            copy.matched = true;
            return true;
        }
    }
    return false;
}

void KeyCopies::remember(std::deque<Copy>& copies, const Copy& copy) {
    copies.push_back(copy);
    if (copies.size() > memory)
        copies.pop_front();
}
