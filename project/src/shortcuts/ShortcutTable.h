#pragma once

class App;

// The eighteen global shortcuts, each once: what the settings dialog calls it, its default key
// sequence, its key in the settings file's [Shortcuts] group, and the App slot it triggers.
class ShortcutTable {
public:
    static constexpr int row_count = 18;
    // Rows named where code needs one row's sequence.
    enum Row { PauseOrResume = 1, ToggleNote = 12, LiveZoom = 16, ZoomWithPen = 17 };

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
