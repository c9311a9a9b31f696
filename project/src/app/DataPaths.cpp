#include "app/DataPaths.h"

#include "app/AppLog.h"
#include "app/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
DataPaths& resolved() {
    static DataPaths paths;
    return paths;
}

bool dir_is_writable(const QString& dir) {
    // QFileInfo::isWritable is not enough on shared mounts; try for real.
    QTemporaryFile probe(dir + QStringLiteral("/.corvana-write-probe-XXXXXX"));
    return probe.open();
}
} // namespace

void DataPaths::resolve() {
    DataPaths& paths = resolved();
    paths.m_data_root = QDir::currentPath();

    const QString override_dir = qEnvironmentVariable("CORVANA_SETTINGS_DIR");
    if (!override_dir.isEmpty()) {
        paths.m_settings_dir = QDir(override_dir).absolutePath();
    } else if (dir_is_writable(QCoreApplication::applicationDirPath())) {
        paths.m_settings_dir = QCoreApplication::applicationDirPath();
    } else {
        paths.m_settings_dir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    }
    QDir().mkpath(paths.m_settings_dir);
}

const DataPaths& DataPaths::get() {
    if (resolved().m_data_root.isEmpty())
        resolve();
    return resolved();
}

QString DataPaths::settings_file() const {
    return m_settings_dir + QLatin1Char('/') + QCoreApplication::applicationName() +
           QStringLiteral("_settings.ini");
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
