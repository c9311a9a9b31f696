#include "clipboard/PasteNextAction.h"

#include "clipboard/PasteEngine.h"
#include "clipboard/SyntheticPaste.h"
#include "common/AppLog.h"
#include "platform/Keyboard.h"

void PasteNextAction::run(PasteEngine& engine, const Keyboard& keyboard, bool paused,
                          InputInjector& injector, const KeyState& keys) {
    if (paused) {
        // Paused, the queue stays where it is: the clipboard is pasted as it is.
        APP_LOG(QStringLiteral("Paste asked for while paused: the clipboard as it is"));
    } else if (keyboard.hooked()) {
        // The hook reports our Ctrl+V and the paste engine serves it then, moving on once. The
        // entry goes on the clipboard first as well, without moving: where the system lets a
        // synthesized key through before it is reported, the program reads the clipboard at once.
        engine.serve_next();
    } else {
        // No hook hears the keys: the engine serves and moves on here.
        engine.paste();
    }
    // A desktop's shortcut that ran us may still hold Alt or Shift.
    SyntheticPaste::ctrl_v_releasing_modifiers(injector, keys);
}
