#pragma once

#include <array>
#include <cstdint>

class X11Connection;

// XInput2 events selected on the root window for all master devices. The server keeps one mask
// per client, window and device, and everything in this process shares Qt's connection, so
// whoever wants such events adds its bits here instead of selecting on its own.
class X11RootInputSelection {
public:
    explicit X11RootInputSelection(const X11Connection& x11);

    // XInput 2.2 on the server.
    bool available() const;
    // The extension's major opcode, for recognising its generic events.
    uint8_t opcode() const;

    // Adds XCB_INPUT_XI_EVENT_MASK_* bits; false when the server refused the selection.
    bool add(uint32_t mask);
    // Drops bits added before (bits others still want stay selected).
    void remove(uint32_t mask);

private:
    bool select();

    const X11Connection& m_x11;
    std::array<int, 32> m_users{};
};
