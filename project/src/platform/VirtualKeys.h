#pragma once

// The key numbers the dispatch speaks, whatever the desktop. Backends map their own key codes
// to these.
namespace VirtualKeys {
constexpr int Shift = 0x10;
constexpr int Control = 0x11;
constexpr int Alt = 0x12;
constexpr int PrintScreen = 0x2C;
constexpr int B = 0x42;
constexpr int C = 0x43;
constexpr int V = 0x56;
constexpr int X = 0x58;
} // namespace VirtualKeys
