#include "clipboard/SyntheticPaste.h"

#include "platform/InputInjector.h"
#include "platform/KeyState.h"
#include "platform/VirtualKeys.h"

void SyntheticPaste::ctrl_v(InputInjector& injector) {
    injector.send_key(VirtualKeys::Control, true);
    injector.send_key(VirtualKeys::V, true);
    injector.send_key(VirtualKeys::V, false);
    injector.send_key(VirtualKeys::Control, false);
}

void SyntheticPaste::ctrl_v_releasing_modifiers(InputInjector& injector, const KeyState& keys) {
    // Mostly run while the user holds Ctrl+Alt (Ctrl+Alt+B). A shortcut with Shift, or keys let go
    // before the report arrived, must still give the program a plain Ctrl+V and leave no modifier
    // pressed that the user does not hold.
    const bool alt = keys.is_key_down(VirtualKeys::Alt);
    const bool shift = keys.is_key_down(VirtualKeys::Shift);
    const bool ctrl = keys.is_key_down(VirtualKeys::Control);
    if (alt)
        injector.send_key(VirtualKeys::Alt, false);
    if (shift)
        injector.send_key(VirtualKeys::Shift, false);
    if (!ctrl)
        injector.send_key(VirtualKeys::Control, true);
    injector.send_key(VirtualKeys::V, true);
    injector.send_key(VirtualKeys::V, false);
    if (!ctrl)
        injector.send_key(VirtualKeys::Control, false);
    if (shift)
        injector.send_key(VirtualKeys::Shift, true);
    if (alt)
        injector.send_key(VirtualKeys::Alt, true);
}
