#include "FakeGlobalHotkeys.h"

GlobalHotkeys::Registration FakeGlobalHotkeys::register_hotkey(const QKeySequence& sequence) {
    Registration result;
    const int combination = sequence[0];
    if (m_unmappable.contains(combination)) {
        result.failure = Registration::Failure::Unmappable;
    } else if (m_taken.contains(combination)) {
        result.failure = Registration::Failure::Refused;
        result.error = QStringLiteral("BadAccess (attempt to access private resource denied)");
    } else {
        result.id = m_next_id++;
        m_registered.insert(result.id, combination);
    }
    return result;
}

bool FakeGlobalHotkeys::trigger(const QKeySequence& sequence) {
    bool taken = false;
    const auto ids = m_registered.keys(sequence[0]);
    for (int id : ids) {
        emit activated(id);
        taken = true;
    }
    return taken;
}

QList<QKeySequence> FakeGlobalHotkeys::registered() const {
    QList<QKeySequence> sequences;
    for (int combination : m_registered)
        sequences.append(QKeySequence(combination));
    return sequences;
}

bool FakeGlobalHotkeys::is_registered(const QKeySequence& sequence) const {
    return !m_registered.keys(sequence[0]).isEmpty();
}
