#pragma once

// Qt's key numbers as Windows virtual keys, for hotkeys.
class WinKeyCodes {
public:
    // 0 when the key has no virtual key.
    static unsigned virtual_key_for_qt_key(int qt_key);
};
