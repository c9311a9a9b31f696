#include "app/SaveManager.h"

#include "app/App.h"
#include "app/AppLog.h"
#include "app/DataPaths.h"
#include "app/SettingsFileCheck.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QDebug>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

SaveManager::SaveManager(App* app) : m_app(app) {
    const DataPaths& paths = DataPaths::get();
    AppLog::plain(paths.settings_dir());
    QString note;
    const bool clean = SettingsFileCheck::clean(paths.settings_file(), &note);
    if (!note.isEmpty())
        APP_LOG(note);
    // Never read what could not be cleaned: defaults, and saves go nowhere.
    m_settings = clean ? new QSettings(paths.settings_file(), QSettings::IniFormat)
                       : new QSettings(QString(), QSettings::IniFormat);
    report_status("read");

    if (m_settings->value(QStringLiteral("SaveVersion"), QStringLiteral("0")).toString() !=
        QLatin1String(save_version))
        reset_settings();
}

SaveManager::~SaveManager() {
    delete m_settings;
}

bool SaveManager::file_ok() const {
    return m_settings->status() == QSettings::NoError;
}

QString SaveManager::file_path() const {
    return m_settings->fileName();
}

void SaveManager::reset_settings() {
    m_settings->clear();
    m_settings->setValue(QStringLiteral("SaveVersion"), QString::fromLatin1(save_version));
}

void SaveManager::load_settings() {
    QSettings& s = *m_settings;
    App& a = *m_app;
    a.m_is_first_start = s.value(QStringLiteral("IsFirstStart"), true).toBool();
    a.m_use_hidden_features = s.value(QStringLiteral("UseHiddenFeatures"), true).toBool();
    a.m_start_at_startup = s.value(QStringLiteral("StartAtStartup"), true).toBool();
    a.m_create_shortcuts_automatically =
        s.value(QStringLiteral("CreateShortcutsAutomatically"), true).toBool();
    a.m_use_spinning_tray_icon = s.value(QStringLiteral("UseSpinningTrayIcon"), true).toBool();
    a.m_use_hidden_features_notifications =
        s.value(QStringLiteral("UseHiddenFeaturesNotifications"), true).toBool();
    a.m_hidden_features_help_already_shown =
        s.value(QStringLiteral("HiddenFeaturesHelpAlreadyShown"), false).toBool();
    a.m_use_inverted_icons = s.value(QStringLiteral("UseInvertedIcons"), true).toBool();
    a.m_use_keyboard_shortcuts = s.value(QStringLiteral("UseKeyboardShortcuts"), true).toBool();
    a.m_is_paused = s.value(QStringLiteral("IsCorvanaPaused"), false).toBool();
    a.m_rich_text_copy_enabled = s.value(QStringLiteral("IsRichTextCopyEnabled"), true).toBool();
    a.m_file_copy_enabled = s.value(QStringLiteral("IsFileCopyEnabled"), true).toBool();
    a.m_automatic_position_movement =
        s.value(QStringLiteral("UseAutomaticPositionMovement"), true).toBool();
    a.m_paste_order = s.value(QStringLiteral("PasteOrder"), QStringLiteral("backward")).toString();
    const int y = s.value(QStringLiteral("IndicatorY")).toInt();
    const int x = s.value(QStringLiteral("IndicatorX")).toInt();
    a.move_status_indicator(x, y);
    a.m_print_screen_enabled = s.value(QStringLiteral("IsPrintScreenEnabled"), true).toBool();
    load_ignored_monitors();
    a.shortcuts_dialog()->load_sequences(s);
}

void SaveManager::save_settings() {
    QSettings& s = *m_settings;
    const App& a = *m_app;
    s.setValue(QStringLiteral("IsFirstStart"), a.m_is_first_start);
    s.setValue(QStringLiteral("UseHiddenFeatures"), a.m_use_hidden_features);
    s.setValue(QStringLiteral("StartAtStartup"), a.m_start_at_startup);
    s.setValue(QStringLiteral("CreateShortcutsAutomatically"), a.m_create_shortcuts_automatically);
    s.setValue(QStringLiteral("UseSpinningTrayIcon"), a.m_use_spinning_tray_icon);
    s.setValue(QStringLiteral("UseHiddenFeaturesNotifications"),
               a.m_use_hidden_features_notifications);
    s.setValue(QStringLiteral("HiddenFeaturesHelpAlreadyShown"),
               a.m_hidden_features_help_already_shown);
    s.setValue(QStringLiteral("UseInvertedIcons"), a.m_use_inverted_icons);
    s.setValue(QStringLiteral("UseKeyboardShortcuts"), a.m_use_keyboard_shortcuts);
    s.setValue(QStringLiteral("IsCorvanaPaused"), a.m_is_paused);
    s.setValue(QStringLiteral("IsRichTextCopyEnabled"), a.m_rich_text_copy_enabled);
    s.setValue(QStringLiteral("IsFileCopyEnabled"), a.m_file_copy_enabled);
    s.setValue(QStringLiteral("UseAutomaticPositionMovement"), a.m_automatic_position_movement);
    s.setValue(QStringLiteral("PasteOrder"), a.m_paste_order);
    const QPoint indicator = a.status_indicator_position();
    s.setValue(QStringLiteral("IndicatorX"), indicator.x());
    s.setValue(QStringLiteral("IndicatorY"), indicator.y());
    s.setValue(QStringLiteral("IsPrintScreenEnabled"), a.m_print_screen_enabled);
    save_ignored_monitors();
    a.shortcuts_dialog()->save_sequences(s);
    // Written now rather than when QSettings decides, so a failure can be reported.
    s.sync();
    report_status("write");
}

void SaveManager::load_ignored_monitors() {
    m_app->m_ignored_monitors =
        parse_ignored_monitors(m_settings->value(QStringLiteral("IgnoreMonitors")).toString());
}

void SaveManager::save_ignored_monitors() {
    m_settings->setValue(QStringLiteral("IgnoreMonitors"),
                         format_ignored_monitors(m_app->m_ignored_monitors));
}

QList<int> SaveManager::parse_ignored_monitors(const QString& text) {
    QList<int> monitors;
    for (const QString& part : text.split(QLatin1Char(':'), Qt::KeepEmptyParts)) {
        bool ok = false;
        const int monitor = part.toInt(&ok, 10);
        if (ok)
            monitors.append(monitor);
    }
    return monitors;
}

QString SaveManager::format_ignored_monitors(const QList<int>& monitors) {
    QString text;
    for (int monitor : monitors)
        text += QString::number(monitor) + QLatin1Char(':');
    return text;
}

void SaveManager::report_status(const char* what) const {
    switch (m_settings->status()) {
    case QSettings::NoError:
        return;
    case QSettings::AccessError:
        APP_LOG(QStringLiteral("Settings file could not be %1: %2 (access denied)")
                    .arg(QLatin1String(what), m_settings->fileName()));
        return;
    case QSettings::FormatError:
        APP_LOG(QStringLiteral("Settings file could not be %1: %2 (not an INI file); defaults used")
                    .arg(QLatin1String(what), m_settings->fileName()));
        return;
    }
}
