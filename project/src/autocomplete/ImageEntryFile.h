#pragma once

#include <QString>

// Where an image entry's picture is: a file directly inside the images folder. An entry's name
// comes from the store file, which anyone who can write it may fill, so a name with a folder in
// it, "..", or a link out of the folder names no picture; neither does a FIFO or a device, whose
// reading would block or never end.
class ImageEntryFile {
public:
    // The picture's path, or empty when name names no picture of ours.
    static QString path(const QString& images_dir, const QString& name);
};
