#pragma once

#include <QString>
#include <QtGlobal>

// Whether a file named on the clipboard may be copied. Another program chose the name, so it can
// be a FIFO (opening it blocks until someone writes), a device (/dev/zero reads forever), a
// socket, or a kernel file that says size 0 and reads out gigabytes (/proc/self/pagemap). Only
// regular files on ordinary file systems pass, and the copy itself stops at the limit whatever
// the size on disk said.
class CopyableFile {
public:
    // "10 MB or less" in whole megabytes of a thousand thousand bytes.
    static constexpr qint64 max_bytes = 11'000'000 - 1;

    // Stat only: the file is never opened. why says what is wrong for the log.
    static bool check(const QString& path, qint64 max_bytes, QString* why);
};
