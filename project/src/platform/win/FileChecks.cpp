#include "platform/FileChecks.h"

#include <QFile>
#include <QFileInfo>

// Windows has no FIFOs or devices among files, and a user's folders are guarded by their ACLs;
// names are checked here as they are (what a POSIX system checks on the opened file).

bool FileChecks::private_dir(const QString& dir, uint owner, QString* error) {
    // A link is followed: in the user's profile, guarded by its ACLs, only the user makes one.
    const QFileInfo info(dir);
    if (!info.isDir()) {
        *error = QStringLiteral("%1 is not a folder").arg(dir);
        return false;
    }
    if (info.ownerId() != owner) {
        *error = QStringLiteral("%1 belongs to another user (uid %2); not using it")
                     .arg(dir)
                     .arg(info.ownerId());
        return false;
    }
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                            QFileDevice::WriteOther | QFileDevice::ExeOther;
    if ((info.permissions() & others) &&
        !QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                        QFileDevice::ExeOwner)) {
        *error = QStringLiteral("%1 is open to other users and cannot be narrowed").arg(dir);
        return false;
    }
    return true;
}

bool FileChecks::open_regular_file(const QString& path, QFile* file, QString* error) {
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1 is not a regular file").arg(path);
        return false;
    }
    file->setFileName(path);
    if (!file->open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file->errorString());
        return false;
    }
    return true;
}
