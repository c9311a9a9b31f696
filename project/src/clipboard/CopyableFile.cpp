#include "clipboard/CopyableFile.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <QStringList>

namespace {
// Kernel and pseudo file systems: their "regular" files are views of memory or state, with
// sizes that mean nothing and reads that may never end.
bool is_pseudo_file_system(const QString& path) {
    static const QStringList types = {
        QStringLiteral("proc"),    QStringLiteral("sysfs"),      QStringLiteral("debugfs"),
        QStringLiteral("tracefs"), QStringLiteral("securityfs"), QStringLiteral("configfs"),
        QStringLiteral("cgroup"),  QStringLiteral("cgroup2"),    QStringLiteral("efivarfs"),
        QStringLiteral("pstore"),  QStringLiteral("bpf"),        QStringLiteral("binfmt_misc"),
        QStringLiteral("fusectl"), QStringLiteral("devtmpfs"),   QStringLiteral("devpts"),
        QStringLiteral("mqueue"),  QStringLiteral("hugetlbfs"),
    };
    const QStorageInfo storage(path);
    return !storage.isValid() || types.contains(QString::fromLatin1(storage.fileSystemType()));
}
} // namespace

bool CopyableFile::check(const QString& path, qint64 max_bytes, QString* why) {
    const QFileInfo info(path); // follows links: a link to a regular file is that file
    if (!info.exists()) {
        *why = QStringLiteral("%1 does not exist").arg(path);
        return false;
    }
    if (!info.isFile()) {
        *why = QStringLiteral("%1 is not a regular file").arg(path);
        return false;
    }
    const QString real = info.canonicalFilePath();
    if (real.isEmpty() || is_pseudo_file_system(real)) {
        *why = QStringLiteral("%1 is a kernel file, not content").arg(path);
        return false;
    }
    if (info.size() > max_bytes) {
        *why = QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(max_bytes);
        return false;
    }
    return true;
}
