#pragma once

#include "platform/GlobalHotkeys.h"

#include <QHash>
#include <QSet>

// Records registrations; a test presses a combination with trigger() and can make the
// "system" refuse combinations that another program holds.
class FakeGlobalHotkeys : public GlobalHotkeys {
    Q_OBJECT
public:
    Registration register_hotkey(const QKeySequence& sequence) override;
    void unregister_hotkey(int id) override { m_registered.remove(id); }

    // Returns whether a registered hotkey took the combination.
    bool trigger(const QKeySequence& sequence);
    void hold_elsewhere(const QKeySequence& sequence) { m_taken.insert(sequence[0]); }
    void set_unmappable(const QKeySequence& sequence) { m_unmappable.insert(sequence[0]); }

    QList<QKeySequence> registered() const;
    bool is_registered(const QKeySequence& sequence) const;

private:
    QHash<int, int> m_registered; // id -> first combination
    QSet<int> m_taken;
    QSet<int> m_unmappable;
    int m_next_id = 1;
};
