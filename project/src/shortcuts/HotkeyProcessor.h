#pragma once

#include "shortcuts/ShortcutTable.h"

#include <QMetaObject>
#include <QObject>
#include <array>

class GlobalHotkeys;
class KeyState;
class QHotkey;
class ShortcutsDialog;

// The eighteen global shortcuts, registered from the sequences the settings dialog holds, and the
// handler of the plain Ctrl combinations that the keyboard hook reports. It only tells what was
// pressed; the composer connects each signal to the work it stands for.
class HotkeyProcessor : public QObject {
    Q_OBJECT
public:
    static constexpr int row_count = ShortcutTable::row_count;

    HotkeyProcessor(const ShortcutsDialog& sequences, const KeyState& keys, GlobalHotkeys& hotkeys);
    ~HotkeyProcessor() override;

    void create_shortcuts();
    void update_shortcuts();
    void disconnect_shortcuts();

    QHotkey* hotkey(int row) const { return m_hotkeys[size_t(row)]; }

public slots:
    void handle_key_pressed(int virtual_key);
    // The keyboard's report: the key and its flags, which the dispatch does not need.
    void key_reported(int virtual_key, int /*flags*/) { handle_key_pressed(virtual_key); }

signals:
    // The hotkey of a ShortcutTable row was pressed.
    void signal_shortcut(int row);
    void signal_copy();
    void signal_cut();
    void signal_paste();
    void signal_print_screen();
    void signal_special_paste();

private:
    void register_row(int row);
    void connect_row(int row);

    const ShortcutsDialog& m_sequences;
    const KeyState& m_keys;
    GlobalHotkeys& m_global_hotkeys;
    std::array<QHotkey*, row_count> m_hotkeys{};
    std::array<QMetaObject::Connection, row_count> m_connections{};
};
