#include "common/PrivateFiles.h"

#include "platform/DiskFiles.h"
#include "platform/FileChecks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <functional>

namespace {
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
    // On the disk before the name: a crash never leaves a named file short of its bytes.
    if (!fill(file) || !DiskFiles::sync_file(file, error)) {
        if (error->isEmpty())
            *error = file.errorString();
        *error = QStringLiteral("cannot write %1: %2").arg(path, *error);
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
    const QFileInfo info(dir);
    if (!info.exists() && !info.isSymLink()) {
        const QString parent = folder_of(dir);
        if (!QDir().mkpath(parent)) {
            *error = QStringLiteral("cannot create %1").arg(parent);
            return false;
        }
        // Made private under a temporary name, then moved into place. Renaming fails when
        // something appeared there meanwhile; the check below says what it is.
        QTemporaryDir made(parent + QStringLiteral("/.corvana-dir-XXXXXX"));
        if (made.isValid() && QDir().rename(made.path(), dir))
            made.setAutoRemove(false);
        else if (!QFileInfo::exists(dir) && !QFileInfo(dir).isSymLink()) {
            *error = QStringLiteral("cannot create %1").arg(dir);
            return false;
        }
    }
    // Decided on the opened folder: a name checked first and used after can be swapped.
    return FileChecks::private_dir(dir, current_user_id(), error);
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
    // A link the user copied stands for its file; that file is opened, and a FIFO or a link
    // put in its place since is refused rather than waited on or followed.
    const QString real = QFileInfo(source).canonicalFilePath();
    QFile in;
    if (!FileChecks::open_regular_file(real.isEmpty() ? source : real, &in, error))
        return false;
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
