#pragma once

#include <QString>

class QFile;

// Checks made on what was opened rather than on a name: between a look at a name and its use,
// another process can put a symbolic link, a FIFO or another user's folder there. Each system
// has its own implementation (posix/, win/), picked by the build.
class FileChecks {
public:
    // dir is a folder that belongs to owner, reached through a symbolic link only when the link
    // is owner's too; one open to other users is narrowed to the owner alone, through the opened
    // folder.
    static bool private_dir(const QString& dir, uint owner, QString* error);

    // Opens path for reading into *file when it is a regular file. A FIFO, device or socket put
    // there is refused without waiting for a writer; a symbolic link there is not followed.
    static bool open_regular_file(const QString& path, QFile* file, QString* error);
};
