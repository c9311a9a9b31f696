#pragma once

#include <QKeySequence>
#include <QObject>
#include <QString>

// System-wide key combinations, reported however the focus lies.
class GlobalHotkeys : public QObject {
    Q_OBJECT
public:
    struct Registration {
        // Unavailable: the desktop gives no program global shortcuts at all (said once, not per
        // key).
        enum class Failure { None, Unmappable, Refused, Unavailable };
        int id = 0; // > 0 when registered
        Failure failure = Failure::None;
        QString error;
    };

    // What a registration stands for, where the desktop lists shortcuts by name and lets the user
    // pick their keys (the desktop portal): a name that stays the same from run to run, and words.
    struct Action {
        QString id;
        QString description;
    };

    using QObject::QObject;
    ~GlobalHotkeys() override = default;

    // Registers the first combination of the sequence.
    virtual Registration register_hotkey(const QKeySequence& sequence) = 0;
    virtual Registration register_action(const QKeySequence& sequence, const Action&) {
        return register_hotkey(sequence);
    }
    virtual void unregister_hotkey(int id) = 0;

signals:
    void activated(int id);
};
