#pragma once

// Synthesizes key strokes as if typed. Injected keys come back through Keyboard like real ones,
// possibly only later from the event loop.
class InputInjector {
public:
    virtual ~InputInjector() = default;
    virtual void send_key(int virtual_key, bool down) = 0;
};
