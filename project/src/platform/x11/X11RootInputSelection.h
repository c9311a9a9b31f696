#pragma once

#include <cstdint>

// XInput2 events selected on the root window for all master devices. The server keeps one mask
// per client, window and device, and everything in this process shares Qt's connection, so
// whoever wants such events adds its bits here instead of selecting on its own.
class X11RootInputSelection {
public:
    // XInput 2.2 on the server (asked once per connection).
    static bool available();
    // The extension's major opcode, for recognising its generic events.
    static uint8_t opcode();

    // Adds XCB_INPUT_XI_EVENT_MASK_* bits; false when the server refused the selection.
    static bool add(uint32_t mask);
    // Drops bits added before (bits others still want stay selected).
    static void remove(uint32_t mask);
};
