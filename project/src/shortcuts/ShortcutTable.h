#pragma once

class App;

// The eighteen global shortcuts, each once: what the settings dialog calls it, its default key
// sequence, its key in the settings file's [Shortcuts] group, and the App slot it triggers.
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

    using Slot = void (App::*)();
    struct Entry {
        const char* label;
        const char* sequence;
        const char* key;
        Slot slot;
    };

    // Null outside 0..row_count-1.
    static const Entry* entry(int row);
};
