#pragma once

#include <QString>

class QImage;

// Saves clipboard images into the images folder as "image" + N + ".png", N being one more than
// the folder's entries, up to a cap of 1000 entries.
class ClipboardImageSaver {
public:
    static constexpr int max_entries = 1000;

    enum class Result { Saved, Failed, Full };
    struct Outcome {
        Result result;
        QString name; // "imageN.png" when saved
    };

    explicit ClipboardImageSaver(QString images_dir);

    Outcome save_image(const QImage& image) const;
    // Copies a file into the folder under its own name; an existing file is not overwritten.
    bool copy_file(const QString& path, QString* name) const;

    int entry_count() const;

private:
    QString m_images_dir;
};
