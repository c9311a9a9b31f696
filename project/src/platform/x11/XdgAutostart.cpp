#include "XdgAutostart.h"

#include "DesktopEntryFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
DesktopEntryFile::Entry entry_for(const QString& executable, const QString& working_dir) {
    return {QCoreApplication::applicationName(), executable, working_dir, true};
}
} // namespace

QString XdgAutostart::entry_path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + QCoreApplication::applicationName() +
           QStringLiteral(".desktop");
}

bool XdgAutostart::matches(const QString& executable, const QString& working_dir) const {
    QFile file(entry_path());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString expected = DesktopEntryFile::render(entry_for(executable, working_dir), nullptr);
    return !expected.isEmpty() && file.readAll() == expected.toUtf8();
}

bool XdgAutostart::enable(const QString& executable, const QString& working_dir, QString* error) {
    const QString text = DesktopEntryFile::render(entry_for(executable, working_dir), error);
    return !text.isEmpty() && DesktopEntryFile::write(entry_path(), text, false, error);
}

bool XdgAutostart::disable(QString* error) {
    const QString path = entry_path();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir()) {
        if (error)
            *error = QStringLiteral("%1 is a folder").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.remove()) {
        if (error)
            *error = QStringLiteral("%1 cannot be removed: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
