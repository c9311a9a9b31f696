#pragma once

#include <QMetaObject>
#include <QObject>
#include <array>

class App;
class QHotkey;

// The eighteen global shortcuts, each bound to one App slot, and the handler of the plain Ctrl
// combinations that the keyboard hook reports.
class HotkeyProcessor : public QObject {
    Q_OBJECT
public:
    static constexpr int row_count = 18;

    explicit HotkeyProcessor(App* app);
    ~HotkeyProcessor() override;

    void create_shortcuts();
    void update_shortcuts();
    void disconnect_shortcuts();
    void handle_key_pressed(int virtual_key);

    QHotkey* hotkey(int row) const { return m_hotkeys[size_t(row)]; }
    // The App slot a row triggers.
    static const char* target_slot(int row);

private:
    void register_row(int row);
    void connect_row(int row);
    // Calls an App slot by name; slots of tools not built yet are reported, not fatal.
    void call_app(const char* slot);

    App* m_app;
    std::array<QHotkey*, row_count> m_hotkeys{};
    std::array<QMetaObject::Connection, row_count> m_connections{};
};
