#include "platform/DiskFiles.h"

#include <QFile>

bool DiskFiles::sync_file_at(const QString& path, QString* error) {
    // Windows flushes only a handle that may write; ReadWrite neither truncates nor creates.
    QFile file(path);
    if (!QFile::exists(path) || !file.open(QIODevice::ReadWrite)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    return sync_file(file, error);
}
