#include "shortcuts/ShortcutTable.h"

#include "app/App.h"

namespace {
const ShortcutTable::Entry entries[ShortcutTable::row_count] = {
    {"Switch paste order", "Ctrl+Alt+/", "SwitchPasteOrder", &App::switch_paste_order},
    {"Pause or resume Corvana", "Ctrl+Alt+0", "PauseOrResume", &App::pause_or_resume_corvana},
    {"Rich Text Copy", "Ctrl+Alt+9", "RichTextCopy", &App::enable_or_disable_rich_text_copy},
    {"Clipboard Undo", "Ctrl+Alt+<", "ClipboardUndo", &App::clipboard_history_go_back},
    {"Clipboard Redo", "Ctrl+Alt+>", "ClipboardRedo", &App::clipboard_history_go_forward},
    {"Clear History", "Ctrl+Alt+Shift+H", "ClearHistory", &App::clear_clipboard_history},
    {"Open History Dialog", "Ctrl+Alt+H", "OpenHistoryDialog", &App::open_history_dialog},
    {"Clipboard undo with Arrow", "Ctrl+Alt+Left", "ClipboardUndoWithArrow",
     &App::clipboard_history_go_back},
    {"Clipboard redo with Arrow", "Ctrl+Alt+Right", "ClipboardRedoWithArrow",
     &App::clipboard_history_go_forward},
    {"Show Debug Info", "Ctrl+Alt+D", "ShowDebugInfo", &App::show_debug_info},
    {"Open Autocomplete", "Ctrl+Alt+Space", "OpenAutocomplete", &App::open_autocomplete_dialog},
    {"Lock Current Position", "Ctrl+\\", "LockCurrentPosition", &App::lock_current_position},
    {"Toggle Note", "Ctrl+Alt+N", "ToggleNote", &App::slot_toggle_note_dialog},
    {"Print Screen", "Ctrl+Alt+P", "PrintScreen", &App::print_screen},
    {"Toggle status indicator more", "Ctrl+Alt+T", "ToggleIndicatorClickThrough",
     &App::slot_toggle_status_indicator_clickthrough},
    {"Special Paste", "Ctrl+Shift+V", "SpecialPaste", &App::ctrl_shift_v},
    {"Live Zoom", "Ctrl+1", "LiveZoom", &App::main_live_zoom},
    {"Zoom /w pen", "Ctrl+2", "ZoomWithPen", &App::main_dead_zoom},
};
} // namespace

const ShortcutTable::Entry* ShortcutTable::entry(int row) {
    return row >= 0 && row < row_count ? &entries[row] : nullptr;
}
