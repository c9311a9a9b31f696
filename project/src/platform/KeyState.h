#pragma once

// Whether a key is held down right now (as of the key press being reported, when inside one).
class KeyState {
public:
    virtual ~KeyState() = default;
    virtual bool is_key_down(int virtual_key) const = 0;
};
