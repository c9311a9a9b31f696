#pragma once

#include <QString>

class QFile;
class QFileDevice;

// What Qt leaves to the system about files on disk: forcing written bytes onto the disk, and
// telling whether a name still leads to a file held open. The system's calls are in
// posix/PosixDiskFiles.cpp and win/WinDiskFiles.cpp, one of which project/CMakeLists.txt builds
// into every program (tests use real files, so they use the real calls). Errors are values:
// false with a text for the log.
//
// Durability here: a file written whole is synced before it is renamed into place (QSaveFile
// does this on commit) and its folder right after; appends are synced within a second or two.
class DiskFiles {
public:
    // Opens the existing file file names for reading and writing, unbuffered, such that other
    // programs may still rename over it or remove it while it is held, as POSIX systems always
    // allow: Qt's own open keeps them from it on Windows, where every other writer, another
    // instance of this program too, could then never write the file whole.
    static bool open_replaceable(QFile& file, QString* error);
    // Forces what was written to file, which is open, onto the disk.
    static bool sync_file(QFileDevice& file, QString* error);
    // Forces a folder's entries (a name just created or renamed in it) onto the disk. True where
    // the system keeps them safe itself.
    static bool sync_folder(const QString& dir, QString* error);

    enum class Identity { Same, Other, Missing, Unknown };
    // Whether path leads to the very file that file holds open: the same device and inode, or
    // volume and file index. Unknown when either cannot be looked at.
    static Identity identify(const QFileDevice& file, const QString& path);
};
