#include "platform/FileChecks.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

bool is_symlink(const QByteArray& name) {
    struct stat st;
    return ::lstat(name.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}
} // namespace

bool FileChecks::private_dir(const QString& dir, uint owner, QString* error) {
    const QByteArray name = QFile::encodeName(dir);
    struct stat link;
    const bool via_link = ::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode);
    if (via_link && link.st_uid != owner) {
        *error = QStringLiteral("%1 is a symbolic link of another user (uid %2); a private folder "
                                "is never reached through one (its owner can point it anywhere)")
                     .arg(dir)
                     .arg(link.st_uid);
        return false;
    }
    // A link of ours is followed: nobody else can repoint it, nor swap it in a sticky/our folder.
    const int fd =
        ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (via_link ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        const int why = errno;
        if (!via_link && is_symlink(name))
            *error = QStringLiteral("%1 became a symbolic link; not following it").arg(dir);
        else if (why == ENOTDIR)
            *error = QStringLiteral("%1 is not a folder").arg(dir);
        else
            *error = QStringLiteral("cannot open the folder %1: %2").arg(dir, reason(why));
        return false;
    }
    struct stat st;
    struct stat again;
    bool ok = false;
    if (via_link &&
        (::lstat(name.constData(), &again) != 0 || !S_ISLNK(again.st_mode) ||
         again.st_uid != owner || again.st_dev != link.st_dev || again.st_ino != link.st_ino)) {
        *error = QStringLiteral("the symbolic link %1 was replaced while it was followed; "
                                "not using it")
                     .arg(dir);
    } else if (::fstat(fd, &st) != 0) {
        *error = QStringLiteral("cannot look at the folder %1: %2").arg(dir, reason(errno));
    } else if (st.st_uid != owner) {
        *error = QStringLiteral("%1 belongs to another user (uid %2); not using it")
                     .arg(dir)
                     .arg(st.st_uid);
    } else if ((st.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0) {
        *error = QStringLiteral("%1 is open to other users and cannot be narrowed: %2")
                     .arg(dir, reason(errno));
    } else {
        ok = true;
    }
    ::close(fd);
    return ok;
}

bool FileChecks::open_regular_file(const QString& path, QFile* file, QString* error) {
    const QByteArray name = QFile::encodeName(path);
    // Not blocking: opening a FIFO for reading would otherwise wait for a writer, forever.
    const int fd =
        ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int why = errno;
        *error = is_symlink(name)
                     ? QStringLiteral("%1 became a symbolic link; not following it").arg(path)
                     : QStringLiteral("cannot read %1: %2").arg(path, reason(why));
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = QStringLiteral("%1 is not a regular file (a FIFO, device or socket)").arg(path);
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ||
        !file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, reason(errno));
        ::close(fd);
        return false;
    }
    return true;
}
