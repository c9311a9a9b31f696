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

    using QObject::QObject;
    ~GlobalHotkeys() override = default;

    // Registers the first combination of the sequence.
    virtual Registration register_hotkey(const QKeySequence& sequence) = 0;
    virtual void unregister_hotkey(int id) = 0;

signals:
    void activated(int id);
};
