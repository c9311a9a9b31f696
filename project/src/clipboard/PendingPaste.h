#pragma once

// A paste made elsewhere that the next Ctrl+V delivers in place of the entry at the position
// (a filled template row).
class PendingPaste {
public:
    virtual ~PendingPaste() = default;
    // True when a paste was waiting and is now on the clipboard, the position having moved as
    // for any paste.
    virtual bool serve_pending() = 0;
};
