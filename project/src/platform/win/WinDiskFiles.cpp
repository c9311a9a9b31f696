// DiskFiles on Windows.
#include "platform/DiskFiles.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {
QString system_error() {
    return QStringLiteral("Windows error %1").arg(GetLastError());
}

// The handle behind Qt's descriptor: the same open file, so flushing or asking it is asking ours.
HANDLE handle_of(const QFileDevice& file) {
    return file.handle() < 0 ? INVALID_HANDLE_VALUE
                             : reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
}
} // namespace

bool DiskFiles::open_replaceable(QFile& file, QString* error) {
    const QString native = QDir::toNativeSeparators(file.fileName());
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t*>(native.utf16()), GENERIC_READ | GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = system_error();
        return false;
    }
    // Binary: the bytes go to the file as they are.
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
    if (fd < 0) {
        *error = QStringLiteral("no descriptor for the file");
        CloseHandle(handle);
        return false;
    }
    if (!file.open(fd, QIODevice::ReadWrite | QIODevice::Unbuffered,
                   QFileDevice::AutoCloseHandle)) {
        *error = file.errorString();
        _close(fd);
        return false;
    }
    return true;
}

bool DiskFiles::sync_file(QFileDevice& file, QString* error) {
    if (!file.flush()) {
        *error = file.errorString();
        return false;
    }
    const HANDLE handle = handle_of(file);
    if (handle == INVALID_HANDLE_VALUE || !FlushFileBuffers(handle)) {
        *error = handle == INVALID_HANDLE_VALUE ? QStringLiteral("the file is not open")
                                                : system_error();
        return false;
    }
    return true;
}

bool DiskFiles::sync_folder(const QString&, QString*) {
    // NTFS journals its folders' entries itself; a folder handle cannot be flushed.
    return true;
}

DiskFiles::Identity DiskFiles::identify(const QFileDevice& file, const QString& path) {
    BY_HANDLE_FILE_INFORMATION held;
    const HANDLE handle = handle_of(file);
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &held))
        return Identity::Unknown;
    // No access asked: only the file's identity is read, whoever else has it open.
    const QString native = QDir::toNativeSeparators(path);
    const HANDLE named_handle =
        CreateFileW(reinterpret_cast<const wchar_t*>(native.utf16()), 0,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (named_handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ? Identity::Missing
                                                                            : Identity::Unknown;
    }
    BY_HANDLE_FILE_INFORMATION named;
    const bool known = GetFileInformationByHandle(named_handle, &named);
    CloseHandle(named_handle);
    if (!known)
        return Identity::Unknown;
    return held.dwVolumeSerialNumber == named.dwVolumeSerialNumber &&
                   held.nFileIndexHigh == named.nFileIndexHigh &&
                   held.nFileIndexLow == named.nFileIndexLow
               ? Identity::Same
               : Identity::Other;
}
