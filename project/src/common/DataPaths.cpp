#include "common/DataPaths.h"

#include "common/AppLog.h"
#include "common/PrivateFiles.h"
#include "common/SettingsFileCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {
DataPaths& resolved() {
    static DataPaths paths;
    return paths;
}

QString absolute(const QString& dir) {
    return QDir::cleanPath(QDir(dir).absolutePath());
}

QString env_dir(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? QString() : absolute(value);
}

// The folder the system keeps a user's settings in, one per program under the organisation:
// QSettings knows it for every system (the roaming application data on Windows, the XDG
// configuration folder elsewhere), where QStandardPaths' configuration folder would not roam.
QString user_settings_dir() {
    const QSettings probe(QSettings::IniFormat, QSettings::UserScope,
                          QCoreApplication::organizationName(),
                          QCoreApplication::applicationName());
    return QFileInfo(probe.fileName()).absolutePath() + QLatin1Char('/') +
           QCoreApplication::applicationName();
}

// An earlier version kept its settings beside the executable whenever that folder was
// writable. Copied, never moved: the old file stays as it was for that version.
void adopt_settings_beside(const QString& exe_dir, const QString& settings_dir) {
    const QString old_file = exe_dir + QLatin1Char('/') + DataPaths::settings_file_name();
    const QString new_file = settings_dir + QLatin1Char('/') + DataPaths::settings_file_name();
    if (!QFileInfo(old_file).isFile() || QFileInfo::exists(new_file))
        return;
    QString error;
    if (PrivateFiles::copy_new(old_file, new_file, SettingsFileCheck::max_file_bytes, &error))
        APP_LOG(QStringLiteral("Settings %1 copied to %2").arg(old_file, new_file));
    else
        APP_LOG(QStringLiteral("Settings %1 not copied: %2").arg(old_file, error));
}
} // namespace

DataPaths::Sources DataPaths::sources_of_this_program() {
    Sources sources;
    sources.exe_dir = absolute(QCoreApplication::applicationDirPath());
    sources.settings_override = env_dir("CORVANA_SETTINGS_DIR");
    sources.data_override = env_dir("CORVANA_DATA_DIR");
    sources.user_settings_dir = user_settings_dir();
    sources.user_data_dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return sources;
}

DataPaths DataPaths::resolve_from(const Sources& sources) {
    DataPaths paths;
    paths.m_portable =
        QFileInfo(sources.exe_dir + QLatin1Char('/') + portable_marker_name()).isFile();
    const QString settings_home = paths.m_portable ? sources.exe_dir : sources.user_settings_dir;
    const QString data_home = paths.m_portable ? sources.exe_dir : sources.user_data_dir;
    paths.m_settings_dir =
        sources.settings_override.isEmpty() ? settings_home : sources.settings_override;
    paths.m_data_root = sources.data_override.isEmpty() ? data_home : sources.data_override;

    QDir().mkpath(paths.m_settings_dir);
    if (!paths.m_portable && sources.settings_override.isEmpty())
        adopt_settings_beside(sources.exe_dir, paths.m_settings_dir);
    // The user's data folder holds what was copied: private. A portable folder or one named
    // outright is the user's choice and keeps its rights.
    if (paths.m_data_root == sources.user_data_dir)
        ensure_private_dir(paths.m_data_root);
    else
        QDir().mkpath(paths.m_data_root);
    return paths;
}

void DataPaths::resolve() {
    resolved() = resolve_from(sources_of_this_program());
}

const DataPaths& DataPaths::get() {
    if (resolved().m_data_root.isEmpty())
        resolve();
    return resolved();
}

QString DataPaths::settings_file_name() {
    return QCoreApplication::applicationName() + QStringLiteral("_settings.ini");
}

QString DataPaths::settings_file() const {
    return m_settings_dir + QLatin1Char('/') + settings_file_name();
}

QString DataPaths::images_dir() const {
    return m_data_root + QStringLiteral("/images");
}

bool DataPaths::ensure_private_dir(const QString& dir) {
    QString error;
    if (PrivateFiles::ensure_dir(dir, &error))
        return true;
    APP_LOG(error);
    return false;
}
