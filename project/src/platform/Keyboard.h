#pragma once

#include <QObject>

// Reports every key press on the desktop before the focused program acts on it where that
// matters (Ctrl+V), and can swallow Print Screen. A key held back for its report is let go
// within a short time whatever the program is busy with; a Ctrl+V let go that way is not
// reported, so the paste position stays where it was.
class Keyboard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Keyboard() override = default;

    // Installs the hook when on is true and removes it when false; returns whether it is
    // installed afterwards.
    virtual bool set_hooked(bool on) = 0;
    // Whether the hook is installed and reports key presses.
    virtual bool hooked() const = 0;

    // While on, Print Screen never reaches other programs (it is still reported).
    virtual void set_print_screen_swallowed(bool on) = 0;

signals:
    void signal_key_pressed(int key, int flags);
};
