#include "common/SettingsTable.h"

const std::vector<SettingsTable::Key>& SettingsTable::keys() {
    using S = AppSettings;
    // Never destroyed: a save from an exit handler still walks the table after static
    // destructors have run.
    static const auto* const table = new std::vector<Key>{
        {"IsFirstStart", true, &S::m_is_first_start},
        {"UseHiddenFeatures", true, &S::m_use_hidden_features},
        {"StartAtStartup", true, &S::m_start_at_startup},
        {"CreateShortcutsAutomatically", true, &S::m_create_shortcuts_automatically},
        {"UseSpinningTrayIcon", true, &S::m_use_spinning_tray_icon},
        {"UseHiddenFeaturesNotifications", true, &S::m_use_hidden_features_notifications},
        {"HiddenFeaturesHelpAlreadyShown", false, &S::m_hidden_features_help_already_shown},
        {"UseInvertedIcons", true, &S::m_use_inverted_icons},
        {"UseKeyboardShortcuts", true, &S::m_use_keyboard_shortcuts},
        {"IsCorvanaPaused", false, &S::m_is_paused},
        {"IsRichTextCopyEnabled", true, &S::m_rich_text_copy_enabled},
        {"IsFileCopyEnabled", true, &S::m_file_copy_enabled},
        {"UseAutomaticPositionMovement", true, &S::m_automatic_position_movement},
        {"PasteOrder", QStringLiteral("backward"), &S::m_paste_order},
        {"IndicatorX", QVariant(), Indicator::X},
        {"IndicatorY", QVariant(), Indicator::Y},
        {"IsPrintScreenEnabled", true, &S::m_print_screen_enabled},
        {"IgnoreMonitors", QVariant(), &S::m_ignored_monitors},
    };
    return *table;
}

void SettingsTable::apply_defaults(AppSettings& settings) {
    for (const Key& key : keys()) {
        if (const auto flag = std::get_if<bool AppSettings::*>(&key.field))
            settings.*(*flag) = key.fallback.toBool();
        else if (const auto text = std::get_if<QString AppSettings::*>(&key.field))
            settings.*(*text) = key.fallback.toString();
        else if (const auto list = std::get_if<QList<int> AppSettings::*>(&key.field))
            (settings.*(*list)).clear();
    }
}
