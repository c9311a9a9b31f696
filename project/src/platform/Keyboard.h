#pragma once

#include <QObject>

// Reports every key press on the desktop before the focused program acts on it where that
// matters (Ctrl+V), and can swallow Print Screen.
class Keyboard : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Keyboard() override = default;

    // Installs the hook when on is true and removes it when false; returns whether it is
    // installed afterwards.
    virtual bool set_hooked(bool on) = 0;

    // While on, Print Screen never reaches other programs (it is still reported).
    virtual void set_print_screen_swallowed(bool on) = 0;

    // Brackets work that waits on another program (reading the clipboard from its owner). A
    // key press held for the report meanwhile is let through after a short time instead of
    // waiting, keyboard frozen, until the other program answers.
    virtual void set_waiting_on_others(bool waiting) = 0;

signals:
    void signal_key_pressed(int key, int flags);
};
