#pragma once

class InputInjector;
class KeyState;

// The key sequences of a synthesized paste, sent through the injector.
class SyntheticPaste {
public:
    // Ctrl down, V down and up, Ctrl up.
    static void ctrl_v(InputInjector& injector);
    // A plain Ctrl+V while the user may still hold Alt, Shift or Ctrl: keys held are let go
    // around it and pressed again after, and Ctrl is pressed only if it is not held already.
    static void ctrl_v_releasing_modifiers(InputInjector& injector, const KeyState& keys);
};
