// DiskFiles on POSIX systems.
#include "platform/DiskFiles.h"

#include <QFile>
#include <QFileDevice>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString system_error() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool sync_descriptor(int fd) {
    int result;
    do
        result = ::fsync(fd);
    while (result != 0 && errno == EINTR);
    return result == 0;
}
} // namespace

bool DiskFiles::open_replaceable(QFile& file, QString* error) {
    if (file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return true;
    *error = file.errorString();
    return false;
}

bool DiskFiles::sync_file(QFileDevice& file, QString* error) {
    if (!file.flush()) {
        *error = file.errorString();
        return false;
    }
    if (file.handle() < 0 || !sync_descriptor(file.handle())) {
        *error = file.handle() < 0 ? QStringLiteral("the file is not open") : system_error();
        return false;
    }
    return true;
}

bool DiskFiles::sync_folder(const QString& dir, QString* error) {
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot open %1: %2").arg(dir, system_error());
        return false;
    }
    // Some file systems cannot sync a folder at all (EINVAL): there is nothing more to do.
    const bool synced = sync_descriptor(fd) || errno == EINVAL;
    if (!synced)
        *error = QStringLiteral("cannot sync %1: %2").arg(dir, system_error());
    ::close(fd);
    return synced;
}

DiskFiles::Identity DiskFiles::identify(const QFileDevice& file, const QString& path) {
    struct stat held;
    struct stat named;
    if (file.handle() < 0 || ::fstat(file.handle(), &held) != 0)
        return Identity::Unknown;
    if (::stat(QFile::encodeName(path).constData(), &named) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Identity::Missing : Identity::Unknown;
    return held.st_dev == named.st_dev && held.st_ino == named.st_ino ? Identity::Same
                                                                      : Identity::Other;
}
