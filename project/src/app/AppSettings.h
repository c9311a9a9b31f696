#pragma once

#include <QList>
#include <QString>

// One field per key of the settings file, plus the tool switches that are not stored. Plain
// data: SettingsTable says which key fills which field and with what default.
struct AppSettings {
    bool m_is_first_start = true;
    bool m_use_hidden_features = true;
    bool m_start_at_startup = true;
    bool m_create_shortcuts_automatically = true;
    bool m_use_spinning_tray_icon = true;
    bool m_use_hidden_features_notifications = true;
    bool m_hidden_features_help_already_shown = false;
    bool m_use_inverted_icons = true;
    bool m_use_keyboard_shortcuts = true;
    bool m_is_paused = false;
    bool m_rich_text_copy_enabled = true;
    bool m_file_copy_enabled = true;
    bool m_automatic_position_movement = true;
    QString m_paste_order = QStringLiteral("backward");
    bool m_print_screen_enabled = true;
    QList<int> m_ignored_monitors;

    // Screenshots: saving asks for no name while this is on.
    bool m_automatic_screenshot_save = true;
};
