#pragma once

#include "platform/InputInjector.h"

#include <QSet>

#include <functional>

class WaylandConnection;
struct zwp_virtual_keyboard_v1;

// Types keys through the compositor's virtual-keyboard protocol. The desktop's Ctrl+V runs
// `corvana --paste-next`, bound to the physical V key (sway's `bindsym --to-code`); so that the
// Ctrl+V we then type does not run that binding again, our keymap puts the letters on key codes
// no keyboard has, with the same symbols: programs read Ctrl+V, the binding never matches.
// Nothing to switch and nothing to race with. Where keys cannot be typed, that is said once.
class WaylandInputInjector : public InputInjector {
public:
    // Own: the letters on spare codes (Corvana). Physical: where a keyboard has them (the tests'
    // stand-in for the user's hands).
    enum class Codes { Own, Physical };

    // before_stroke: lets the compositor take what our windows asked for first (a popup that
    // closed hands the focus back). paste_read: waits until the program we typed into has read
    // the clipboard, so that the next paste does not replace the entry before it was read.
    WaylandInputInjector(WaylandConnection& wayland, Codes codes,
                         std::function<void()> before_stroke = {},
                         std::function<void()> paste_read = {});
    ~WaylandInputInjector() override;
    WaylandInputInjector(const WaylandInputInjector&) = delete;
    WaylandInputInjector& operator=(const WaylandInputInjector&) = delete;

    void send_key(int virtual_key, bool down) override;
    // Makes the keyboard now, so the first paste does not wait for it.
    void prepare() { ready(); }

    // The XKB key code our keymap gives one of our virtual keys, 0 when it has none.
    static int key_code(int virtual_key, Codes codes);
    // The keymap the compositor is given.
    static QByteArray keymap(Codes codes);

private:
    bool ready();

    WaylandConnection& m_wayland;
    Codes m_codes;
    std::function<void()> m_before_stroke;
    std::function<void()> m_paste_read;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    QSet<int> m_down;
    bool m_reported = false;
};
