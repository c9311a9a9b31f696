#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>

class QImage;

// Files and folders that hold copied content, readable by their owner only from the moment they
// exist: created under a private temporary name and then renamed into place, never created open
// and narrowed afterwards. Errors are values: false with a text for the log.
class PrivateFiles {
public:
    // dir exists afterwards as a folder of ours, mode 0700. A missing one is made private from
    // the start; one owned by another user is refused (it could read or swap what we write);
    // one of ours open to others is narrowed.
    static bool ensure_dir(const QString& dir, QString* error);

    // A new file at path holding data, mode 0600; an existing file is never replaced.
    static bool write_new(const QString& path, const QByteArray& data, QString* error);
    static bool save_image_new(const QString& path, const QImage& image, QString* error);
    // A private copy of source at target; an existing target is never replaced. At most
    // max_bytes are read: a source that gives more (it grew, or its size on disk lies) is
    // refused and leaves nothing behind. cancel, when given and set, stops the copy early.
    static bool copy_new(const QString& source, const QString& target, qint64 max_bytes,
                         QString* error, const std::atomic_bool* cancel = nullptr);

    // The user id files we create get.
    static uint current_user_id();
};
