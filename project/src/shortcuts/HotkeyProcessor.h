#pragma once

#include "shortcuts/ShortcutTable.h"

#include <QMetaObject>
#include <QObject>
#include <array>

class App;
class QHotkey;

// The eighteen global shortcuts, each bound to its App slot from ShortcutTable, and the handler of
// the plain Ctrl combinations that the keyboard hook reports.
class HotkeyProcessor : public QObject {
    Q_OBJECT
public:
    static constexpr int row_count = ShortcutTable::row_count;

    explicit HotkeyProcessor(App* app);
    ~HotkeyProcessor() override;

    void create_shortcuts();
    void update_shortcuts();
    void disconnect_shortcuts();
    void handle_key_pressed(int virtual_key);

    QHotkey* hotkey(int row) const { return m_hotkeys[size_t(row)]; }

private:
    void register_row(int row);
    void connect_row(int row);
    // Calls the App slot of a row.
    void trigger(int row);

    App* m_app;
    std::array<QHotkey*, row_count> m_hotkeys{};
    std::array<QMetaObject::Connection, row_count> m_connections{};
};
