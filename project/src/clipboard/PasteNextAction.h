#pragma once

class InputInjector;
class KeyState;
class Keyboard;
class PasteEngine;

// A paste asked for from outside (a script, a desktop's own shortcut): the next entry, pasted as
// Ctrl+V does, whoever holds which keys.
class PasteNextAction {
public:
    static void run(PasteEngine& engine, const Keyboard& keyboard, bool paused,
                    InputInjector& injector, const KeyState& keys);
};
