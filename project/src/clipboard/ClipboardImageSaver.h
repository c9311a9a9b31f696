#pragma once

#include <QByteArray>
#include <QString>

class FileCopyWorker;
class QImage;
class QMimeData;

// Saves clipboard images into the images folder as "image" + N + ".png", N being one more than
// the folder's entries, up to a cap of 1000 entries. Everything it writes is private to the
// user from the first byte, and a folder that belongs to someone else is not used.
class ClipboardImageSaver {
public:
    static constexpr int max_entries = 1000;

    enum class Result { Saved, Failed, Full };
    struct Outcome {
        Result result;
        QString name;  // "imageN.png" when saved or tried
        QString error; // why it failed, for the log
    };

    explicit ClipboardImageSaver(QString images_dir);

    Outcome save_image(const QImage& image) const;
    // The same for an image already encoded as PNG: written as it is, without decoding.
    Outcome save_png(const QByteArray& png) const;
    // Stores a captured entry's picture: the copied image files it lists (regular files of 10 MB
    // or less each, copied by copier off the GUI thread), else its picture, PNG bytes written as
    // they came. Failures are logged.
    Outcome save_entry(const QMimeData* entry, FileCopyWorker& copier) const;
    // Starts a copy of a file into the folder under its own name; an existing file is not
    // overwritten. False when the file may not be copied (see CopyableFile).
    bool copy_file(const QString& path, FileCopyWorker& copier, QString* name,
                   QString* error) const;

    int entry_count() const;

private:
    template <typename Write> Outcome save(Write write) const;

    QString m_images_dir;
};
