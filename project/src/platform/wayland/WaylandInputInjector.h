#pragma once

#include "SwayBindingMode.h"
#include "platform/InputInjector.h"

#include <QSet>

#include <functional>

class WaylandConnection;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct zwp_virtual_keyboard_v1;

// Types keys through the compositor's virtual-keyboard protocol, with a keymap of our own and the
// modifiers it implies. A stroke (from the first key down to the last key up) runs in sway's
// pass-through mode where there is one, so our Ctrl+V does not run the desktop's binding again.
// Where keys cannot be typed, that is said once in the log.
class WaylandInputInjector : public InputInjector {
public:
    // paste_read: waits until the program we typed into has read the clipboard, so that the
    // next paste does not replace the entry before it was read.
    WaylandInputInjector(WaylandConnection& wayland, SwayBindingMode binding_mode,
                         std::function<void()> paste_read);
    ~WaylandInputInjector() override;
    WaylandInputInjector(const WaylandInputInjector&) = delete;
    WaylandInputInjector& operator=(const WaylandInputInjector&) = delete;

    void send_key(int virtual_key, bool down) override;
    // Makes the keyboard now, so the first paste does not wait for it.
    void prepare() { ready(); }

    // The evdev key code for one of our virtual keys, 0 when it has none.
    static int evdev_code(int virtual_key);

private:
    bool ready();
    void unavailable(const QString& why);

    WaylandConnection& m_wayland;
    SwayBindingMode m_binding_mode;
    std::function<void()> m_paste_read;
    zwp_virtual_keyboard_v1* m_keyboard = nullptr;
    xkb_context* m_context = nullptr;
    xkb_keymap* m_keymap = nullptr;
    xkb_state* m_state = nullptr;
    QSet<int> m_down;
    // The stroke under way goes nowhere (our mode could not be entered).
    bool m_stroke_dropped = false;
    bool m_reported = false;
};
