#include "app/SaveManager.h"

#include "common/AppLog.h"
#include "common/AppSettings.h"
#include "common/DataPaths.h"
#include "common/SettingsFileCheck.h"
#include "common/SettingsTable.h"
#include "platform/DiskFiles.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QDebug>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

SaveManager::SaveManager(App* app, AppSettings& settings, ShortcutsDialog& shortcuts,
                         Indicator indicator)
    : m_app(app), m_fields(settings), m_shortcuts(shortcuts), m_indicator(std::move(indicator)) {
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
    AppSettings& a = m_fields;
    QPoint indicator;
    for (const SettingsTable::Key& key : SettingsTable::keys()) {
        const QVariant value = s.value(QLatin1String(key.name), key.fallback);
        if (const auto flag = std::get_if<bool AppSettings::*>(&key.field))
            a.*(*flag) = value.toBool();
        else if (const auto text = std::get_if<QString AppSettings::*>(&key.field))
            a.*(*text) = value.toString();
        else if (const auto list = std::get_if<QList<int> AppSettings::*>(&key.field))
            a.*(*list) = parse_ignored_monitors(value.toString());
        else if (std::get<SettingsTable::Indicator>(key.field) == SettingsTable::Indicator::X)
            indicator.setX(value.toInt());
        else
            indicator.setY(value.toInt());
    }
    if (m_indicator.move)
        m_indicator.move(indicator);
    m_shortcuts.load_sequences(s);
}

void SaveManager::save_settings() {
    QSettings& s = *m_settings;
    const AppSettings& a = m_fields;
    const QPoint indicator = m_indicator.position ? m_indicator.position() : QPoint();
    for (const SettingsTable::Key& key : SettingsTable::keys()) {
        QVariant value;
        if (const auto flag = std::get_if<bool AppSettings::*>(&key.field))
            value = a.*(*flag);
        else if (const auto text = std::get_if<QString AppSettings::*>(&key.field))
            value = a.*(*text);
        else if (const auto list = std::get_if<QList<int> AppSettings::*>(&key.field))
            value = format_ignored_monitors(a.*(*list));
        else if (std::get<SettingsTable::Indicator>(key.field) == SettingsTable::Indicator::X)
            value = indicator.x();
        else
            value = indicator.y();
        s.setValue(QLatin1String(key.name), value);
    }
    m_shortcuts.save_sequences(s);
    // Written now rather than when QSettings decides, so a failure can be reported. Its file
    // reaches the disk before the rename that puts it in place; its name there does now.
    s.sync();
    report_status("write");
    QString error;
    if (s.status() == QSettings::NoError && !s.fileName().isEmpty() &&
        !DiskFiles::sync_folder(QFileInfo(s.fileName()).absolutePath(), &error))
        APP_LOG(QStringLiteral("Settings file may not be on disk yet: %1").arg(error));
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
