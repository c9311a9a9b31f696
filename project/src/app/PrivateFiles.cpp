#include "app/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <functional>

namespace {
constexpr QFileDevice::Permissions owner_only_dir =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
constexpr QFileDevice::Permissions others_bits = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                 QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                 QFileDevice::WriteOther | QFileDevice::ExeOther;

QString folder_of(const QString& path) {
    return QFileInfo(path).absolutePath();
}

// Fills a temporary file beside path (created 0600) and renames it into place.
bool write_through_temporary(const QString& path, const std::function<bool(QFile&)>& fill,
                             QString* error) {
    if (QFileInfo::exists(path)) {
        *error = QStringLiteral("%1 exists already").arg(path);
        return false;
    }
    QTemporaryFile file(folder_of(path) + QStringLiteral("/.corvana-XXXXXX"));
    if (!file.open()) {
        *error = QStringLiteral("cannot create a file in %1: %2")
                     .arg(folder_of(path), file.errorString());
        return false;
    }
    if (!fill(file) || !file.flush()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    // Renaming never replaces an existing file.
    if (!file.rename(path)) {
        *error = QStringLiteral("cannot create %1: %2").arg(path, file.errorString());
        return false;
    }
    file.setAutoRemove(false);
    return true;
}
} // namespace

uint PrivateFiles::current_user_id() {
    static const uint id = [] {
        QTemporaryFile probe;
        return probe.open() ? QFileInfo(probe.fileName()).ownerId() : uint(-2);
    }();
    return id;
}

bool PrivateFiles::ensure_dir(const QString& dir, QString* error) {
    QFileInfo info(dir);
    if (!info.exists()) {
        const QString parent = folder_of(dir);
        if (!QDir().mkpath(parent)) {
            *error = QStringLiteral("cannot create %1").arg(parent);
            return false;
        }
        // Made private under a temporary name, then moved into place.
        QTemporaryDir made(parent + QStringLiteral("/.corvana-dir-XXXXXX"));
        if (made.isValid() && QDir().rename(made.path(), dir)) {
            made.setAutoRemove(false);
            return true;
        }
        info.refresh(); // another process may have made it meanwhile
        if (!info.exists()) {
            *error = QStringLiteral("cannot create %1").arg(dir);
            return false;
        }
    }
    if (!info.isDir()) {
        *error = QStringLiteral("%1 is not a folder").arg(dir);
        return false;
    }
    if (info.ownerId() != current_user_id()) {
        *error = QStringLiteral("%1 belongs to another user (uid %2); not using it")
                     .arg(dir)
                     .arg(info.ownerId());
        return false;
    }
    if (info.permissions() & others_bits) {
        if (!QFile::setPermissions(dir, owner_only_dir)) {
            *error = QStringLiteral("%1 is open to other users and cannot be narrowed").arg(dir);
            return false;
        }
    }
    return true;
}

bool PrivateFiles::write_new(const QString& path, const QByteArray& data, QString* error) {
    return write_through_temporary(
        path, [&data](QFile& file) { return file.write(data) == data.size(); }, error);
}

bool PrivateFiles::save_image_new(const QString& path, const QImage& image, QString* error) {
    if (image.isNull()) {
        *error = QStringLiteral("no image to save");
        return false;
    }
    return write_through_temporary(
        path, [&image](QFile& file) { return image.save(&file, "PNG", 100); }, error);
}

bool PrivateFiles::copy_new(const QString& source, const QString& target, qint64 max_bytes,
                            QString* error, const std::atomic_bool* cancel) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(source, in.errorString());
        return false;
    }
    QString why;
    const bool copied = write_through_temporary(
        target,
        [&](QFile& out) {
            qint64 total = 0;
            QByteArray chunk;
            while (!(chunk = in.read(qMin<qint64>(1 << 20, max_bytes - total + 1))).isEmpty()) {
                total += chunk.size();
                if (total > max_bytes) {
                    why = QStringLiteral("%1 gives more than %2 bytes").arg(source).arg(max_bytes);
                    return false;
                }
                if (cancel && cancel->load()) {
                    why = QStringLiteral("copy of %1 stopped").arg(source);
                    return false;
                }
                if (out.write(chunk) != chunk.size())
                    return false;
            }
            return in.error() == QFileDevice::NoError;
        },
        error);
    if (!why.isEmpty())
        *error = why;
    return copied;
}
