#pragma once

#include "WinKeyboardHook.h"
#include "platform/Keyboard.h"

#include <QTimer>

#include <bitset>
#include <memory>

class PasteHold;
class WinMessageWindow;

// Key presses from the low-level hook, reported on the GUI thread in the order they were made.
// A Ctrl+V waits in the hook until its report is over, so the clipboard holds the entry before
// the focused program pastes; a paste pressed while the previous one is still being read waits
// until the paste hold lets it go (the hook's cap bounds the wait).
class WinKeyboard : public Keyboard {
    Q_OBJECT
public:
    explicit WinKeyboard(PasteHold& hold, QObject* parent = nullptr);
    ~WinKeyboard() override;

    bool set_hooked(bool on) override;
    bool hooked() const override { return m_hook.running(); }
    void set_print_screen_swallowed(bool on) override;

    // While a report runs: whether key was down at its press. reporting() says whether it is.
    bool reporting() const { return m_reporting; }
    bool was_down(int virtual_key) const;

public slots:
    // The clipboard was read: a held paste may be due.
    void hold_changed();

private:
    void pump();

    PasteHold& m_hold;
    WinKeyboardHook m_hook;
    std::unique_ptr<WinMessageWindow> m_wake_window;
    QTimer m_hold_timer;
    bool m_pumping = false;
    bool m_reporting = false;
    std::bitset<256> m_down;
};
