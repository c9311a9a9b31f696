#include "common/SettingsFileCheck.h"

#include "common/IniValueReader.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
// A key for the log: the file is anyone's, so no control characters and no endless names.
QString printable(const QByteArray& key) {
    QString text;
    for (const char c : key.left(60))
        text += c >= 0x20 && c < 0x7f ? QLatin1Char(c) : QLatin1Char('?');
    return key.size() > 60 ? text + QStringLiteral("...") : text;
}

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
    // Decided on the text Qt makes of each value, not on the bytes: "\x40Variant(" and a line
    // continued in the middle of "@Variant(" are read as "@Variant(" all the same.
    QByteArray kept;
    int from = 0;
    QStringList keys;
    for (const IniValueReader::Entry& entry : IniValueReader::entries(bytes)) {
        if (!IniValueReader::is_typed(entry))
            continue;
        kept += bytes.mid(from, entry.start - from);
        from = entry.end;
        keys << printable(entry.key);
    }
    if (keys.isEmpty())
        return true;
    kept += bytes.mid(from);

    const QString backup = backup_name(path);
    if (!QFile::copy(path, backup)) {
        *note = QStringLiteral("%1 holds typed values and could not be copied aside").arg(path);
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(kept) != kept.size() || !out.commit()) {
        *note = QStringLiteral("%1 holds typed values and could not be rewritten").arg(path);
        return false;
    }
    *note = QStringLiteral("%1: %2 value(s) that Qt would read as data rather than text were "
                           "dropped (Corvana writes text only): %3; the original is kept as %4")
                .arg(path)
                .arg(keys.size())
                .arg(keys.join(QStringLiteral(", ")))
                .arg(backup);
    return true;
}
