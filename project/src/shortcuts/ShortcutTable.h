#pragma once

// The eighteen global shortcuts, each once: what the settings dialog calls it, its default key
// sequence and its key in the settings file's [Shortcuts] group. What a row triggers is the
// composer's business, looked up by the row.
class ShortcutTable {
public:
    static constexpr int row_count = 18;
    // The rows in table order, for code that needs one row's sequence.
    enum Row {
        SwitchPasteOrder,
        PauseOrResume,
        RichTextCopy,
        ClipboardUndo,
        ClipboardRedo,
        ClearHistory,
        OpenHistoryDialog,
        ClipboardUndoWithArrow,
        ClipboardRedoWithArrow,
        ShowDebugInfo,
        OpenAutocomplete,
        LockCurrentPosition,
        ToggleNote,
        PrintScreen,
        ToggleIndicatorClickThrough,
        SpecialPaste,
        LiveZoom,
        ZoomWithPen,
    };

    struct Entry {
        const char* label;
        const char* sequence;
        const char* key;
    };

    // Null outside 0..row_count-1.
    static const Entry* entry(int row);
};
