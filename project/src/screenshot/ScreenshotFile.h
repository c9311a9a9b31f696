#pragma once

#include <QString>

class QDateTime;
class QImage;

// Names and writes screenshot files in the desktop folder.
class ScreenshotFile {
public:
    // Room left in a 255-byte file name for ".png" and a "-NNN" suffix.
    static constexpr int max_name_bytes = 255 - 4 - 4;

    static QString timestamp_name(const QDateTime& when);

    // A typed name must be a plain file name. Returns the message to show when it is not, and
    // otherwise an empty string with the name to use in *cleaned (surrounding blanks removed).
    static QString check_name(const QString& typed, QString* cleaned);

    // The desktop folder, created when missing; the pictures folder when the desktop folder
    // cannot be made. Empty, with *error set, when neither is usable.
    static QString target_folder(QString* error);

    struct Outcome {
        bool saved = false;
        QString name; // the bare name used, with its suffix when one was needed
        QString path;
        QString error;
    };
    // Writes image as folder/name.png, never over an existing file: a taken name gets "-2",
    // "-3", ... A failed write leaves no file behind.
    static Outcome save(const QImage& image, const QString& folder, const QString& name);
};
