#include "shortcuts/ShortcutTable.h"

namespace {
const ShortcutTable::Entry entries[ShortcutTable::row_count] = {
    {"Switch paste order", "Ctrl+Alt+/", "SwitchPasteOrder"},
    {"Pause or resume Corvana", "Ctrl+Alt+0", "PauseOrResume"},
    {"Rich Text Copy", "Ctrl+Alt+9", "RichTextCopy"},
    {"Clipboard Undo", "Ctrl+Alt+<", "ClipboardUndo"},
    {"Clipboard Redo", "Ctrl+Alt+>", "ClipboardRedo"},
    {"Clear History", "Ctrl+Alt+Shift+H", "ClearHistory"},
    {"Open History Dialog", "Ctrl+Alt+H", "OpenHistoryDialog"},
    {"Clipboard undo with Arrow", "Ctrl+Alt+Left", "ClipboardUndoWithArrow"},
    {"Clipboard redo with Arrow", "Ctrl+Alt+Right", "ClipboardRedoWithArrow"},
    {"Show Debug Info", "Ctrl+Alt+D", "ShowDebugInfo"},
    {"Open Autocomplete", "Ctrl+Alt+Space", "OpenAutocomplete"},
    {"Lock Current Position", "Ctrl+\\", "LockCurrentPosition"},
    {"Toggle Note", "Ctrl+Alt+N", "ToggleNote"},
    {"Print Screen", "Ctrl+Alt+P", "PrintScreen"},
    {"Toggle status indicator more", "Ctrl+Alt+T", "ToggleIndicatorClickThrough"},
    {"Special Paste", "Ctrl+Shift+V", "SpecialPaste"},
    {"Live Zoom", "Ctrl+1", "LiveZoom"},
    {"Zoom /w pen", "Ctrl+2", "ZoomWithPen"},
};
} // namespace

const ShortcutTable::Entry* ShortcutTable::entry(int row) {
    return row >= 0 && row < row_count ? &entries[row] : nullptr;
}
