#include "app/SettingsFileCheck.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace {
// Qt serializes any type behind this prefix; nothing else in an INI value runs QDataStream on
// more than a fixed number of bytes.
const QByteArray serialized = QByteArrayLiteral("@Variant(");

QString backup_name(const QString& path) {
    const QString base = path + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString backup = base;
    for (int n = 2; QFileInfo::exists(backup); ++n)
        backup = base + QStringLiteral("~%1").arg(n);
    return backup;
}
} // namespace

bool SettingsFileCheck::clean(const QString& path, QString* note) {
    note->clear();
    const QFileInfo info(path);
    if (!info.isFile())
        return true; // missing: defaults; not a file: QSettings reports it
    if (info.size() > max_file_bytes) {
        const QString backup = backup_name(path);
        if (!QFile::rename(path, backup)) {
            *note = QStringLiteral("%1 holds %2 bytes and could not be put aside")
                        .arg(path)
                        .arg(info.size());
            return false;
        }
        *note = QStringLiteral("%1 held %2 bytes, far more than settings take; kept as %3, "
                               "defaults used")
                    .arg(path)
                    .arg(info.size())
                    .arg(backup);
        return true;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // QSettings reports what it cannot read
    const QByteArray bytes = file.readAll();
    file.close();
    if (!bytes.contains(serialized))
        return true;

    // Whole logical lines: a line ending in a backslash goes on in the next one.
    QByteArray kept;
    int dropped = 0;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i < lines.size();) {
        QByteArray logical = lines.at(i);
        int end = i + 1;
        while (end < lines.size() && lines.at(end - 1).trimmed().endsWith('\\'))
            logical += '\n' + lines.at(end++);
        if (logical.contains(serialized)) {
            ++dropped;
        } else {
            kept += logical;
            if (end < lines.size())
                kept += '\n';
        }
        i = end;
    }
    const QString backup = backup_name(path);
    if (!QFile::copy(path, backup)) {
        *note =
            QStringLiteral("%1 holds serialized values and could not be copied aside").arg(path);
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(kept) != kept.size() || !out.commit()) {
        *note = QStringLiteral("%1 holds serialized values and could not be rewritten").arg(path);
        return false;
    }
    *note = QStringLiteral("%1: %2 serialized value(s) that Corvana never writes were dropped; "
                           "the original is kept as %3")
                .arg(path)
                .arg(dropped)
                .arg(backup);
    return true;
}
