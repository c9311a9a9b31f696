#pragma once

#include "platform/PasteHold.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QVector>

#include <map>

// A desktop on a virtual clock for the paste hold: Ctrl+V presses freeze until the hold lets
// them go, then reach App (on the fake platform) and the program being pasted into, which asks
// for the clipboard as scripted; clipboard managers ask whenever a new entry is served. Records
// what every request got.
class FakePasteDesktop {
public:
    // What a program sends, in ms after the event it reacts to.
    struct Step {
        qint64 after;
        PasteHold::Request kind;
        bool slow_reader = false; // sent from a window known to pause between requests
    };
    using Script = QVector<Step>;

    explicit FakePasteDesktop(quint32 target) : m_target(target) {}

    PasteHold& hold() { return m_hold; }
    qint64 now() const { return m_now; }

    // The program pasted into answers each paste key with script.
    void set_target_script(const Script& script) { m_target_script = script; }
    // A clipboard manager answers each new entry with script.
    void add_manager(quint32 client, const Script& script) { m_managers.insert(client, script); }

    void press_paste();
    // Presses count times, every delay ms, then runs until every press is let go and read.
    void press_pastes(int count, qint64 delay);
    void run_for(qint64 ms);
    // A request from client right now (outside any script).
    void request(quint32 client, PasteHold::Request kind);

    // Per paste let through: the texts the target's data requests got.
    QList<QStringList> target_got() const { return m_target_got; }
    // Everything a client's data requests got, in order.
    QStringList got(quint32 client) const { return m_got.value(client); }
    // How long each press stayed frozen.
    QList<qint64> frozen_for() const { return m_frozen_for; }

private:
    struct Pending {
        quint32 client;
        PasteHold::Request kind;
        int paste; // index into m_target_got, -1 for managers
        bool slow_reader;
    };
    void settle();
    void fire(const Pending& pending);

    PasteHold m_hold;
    quint32 m_target;
    qint64 m_now = 0;
    Script m_target_script;
    QHash<quint32, Script> m_managers;
    QList<qint64> m_frozen; // press times
    qint64 m_last_release = 0;
    std::multimap<qint64, Pending> m_pending;
    QList<QStringList> m_target_got;
    QHash<quint32, QStringList> m_got;
    QList<qint64> m_frozen_for;
};
