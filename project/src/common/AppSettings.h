#pragma once

#include <QList>
#include <QString>

// One field per key of the settings file, plus a tool switch that is not stored. Plain data:
// SettingsTable says which key fills which field and with what default.
struct AppSettings {
    // Every keyed field starts at its table default.
    AppSettings();

    bool m_is_first_start{};
    bool m_use_hidden_features{};
    bool m_start_at_startup{};
    bool m_create_shortcuts_automatically{};
    bool m_use_spinning_tray_icon{};
    bool m_use_hidden_features_notifications{};
    bool m_hidden_features_help_already_shown{};
    bool m_use_inverted_icons{};
    bool m_use_keyboard_shortcuts{};
    bool m_is_paused{};
    bool m_rich_text_copy_enabled{};
    bool m_file_copy_enabled{};
    bool m_automatic_position_movement{};
    QString m_paste_order{};
    bool m_print_screen_enabled{};
    QList<int> m_ignored_monitors{};

    // Screenshots: saving asks for no name while this is on. Not stored.
    bool m_automatic_screenshot_save = true;
};
