#include "WinShellLinks.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <windows.h>

#include <objbase.h>
#include <shobjidl.h>

namespace {
const wchar_t* wide(const QString& text) {
    return reinterpret_cast<const wchar_t*>(text.utf16());
}

// COM for the calling thread, for as long as the object lives.
class ComScope {
public:
    ComScope() : m_result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }

private:
    HRESULT m_result;
};

// The target of an existing link; empty when it is not a link we can read.
QString target_of(const QString& path) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return QString();
    QString target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t buffer[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(wide(QDir::toNativeSeparators(path)), STGM_READ)) &&
            SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, 0)))
            target = QString::fromWCharArray(buffer);
        file->Release();
    }
    link->Release();
    return target;
}
} // namespace

QString WinShellLinks::path_for(const Link& link) {
    const auto location = link.place == Place::Applications ? QStandardPaths::ApplicationsLocation
                                                            : QStandardPaths::DesktopLocation;
    QString folder = QStandardPaths::writableLocation(location);
    if (!link.folder.isEmpty())
        folder += QLatin1Char('/') + link.folder;
    return folder + QLatin1Char('/') + link.name + QStringLiteral(".lnk");
}

bool WinShellLinks::create(const Link& link, QString* error) {
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    const QString path = path_for(link);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo(link.target).isFile())
        return fail(QStringLiteral("there is no program %1").arg(link.target));
    // The desktop is the user's: a missing one is not made for a launcher.
    if (link.place == Place::Desktop && !QFileInfo(folder).isDir())
        return fail(QStringLiteral("there is no desktop folder %1").arg(folder));
    if (!QDir().mkpath(folder))
        return fail(QStringLiteral("%1 cannot be made").arg(folder));

    ComScope com;
    const QString target = QDir::toNativeSeparators(QFileInfo(link.target).absoluteFilePath());
    // Asked of the file system itself: Qt takes a .lnk for a link to its target.
    if (GetFileAttributesW(wide(QDir::toNativeSeparators(path))) != INVALID_FILE_ATTRIBUTES) {
        const QString existing_target = target_of(path);
        if (existing_target.compare(target, Qt::CaseInsensitive) != 0)
            return fail(QStringLiteral("%1 exists and was not made by us (it starts \"%2\"); left "
                                       "alone")
                            .arg(path, existing_target));
    }

    IShellLinkW* shell_link = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkW, reinterpret_cast<void**>(&shell_link));
    if (FAILED(result))
        return fail(QStringLiteral("no IShellLink (0x%1)").arg(ulong(result), 0, 16));
    shell_link->SetPath(wide(target));
    shell_link->SetWorkingDirectory(wide(QDir::toNativeSeparators(link.working_dir)));
    shell_link->SetDescription(wide(link.title));
    IPersistFile* file = nullptr;
    result = shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        result = file->Save(wide(QDir::toNativeSeparators(path)), TRUE);
        file->Release();
    }
    shell_link->Release();
    if (FAILED(result))
        return fail(
            QStringLiteral("%1 cannot be written (0x%2)").arg(path).arg(ulong(result), 0, 16));
    return true;
}
