#include "WinAutostart.h"

#include <QCoreApplication>
#include <QDir>

#include <windows.h>

namespace {
const wchar_t* wide(const QString& text) {
    return reinterpret_cast<const wchar_t*>(text.utf16());
}
} // namespace

const wchar_t* WinAutostart::run_key() {
    return L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
}

QString WinAutostart::value_name() {
    return QCoreApplication::applicationName();
}

QString WinAutostart::command_for(const QString& executable) {
    return QLatin1Char('"') + QDir::toNativeSeparators(executable) + QLatin1Char('"');
}

bool WinAutostart::matches(const QString& executable, const QString&) const {
    const QString name = value_name();
    wchar_t buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, run_key(), wide(name), RRF_RT_REG_SZ, &type, buffer,
                     &size) != ERROR_SUCCESS)
        return false;
    return QString::fromWCharArray(buffer).compare(command_for(executable), Qt::CaseInsensitive) ==
           0;
}

bool WinAutostart::enable(const QString& executable, const QString&, QString* error) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, run_key(), 0, nullptr, 0, KEY_SET_VALUE,
                                     nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        const QString name = value_name();
        const QString command = command_for(executable);
        status = RegSetValueExW(key, wide(name), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(command.utf16()),
                                DWORD((command.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    if (status != ERROR_SUCCESS && error)
        *error = QStringLiteral("the Run value cannot be written (%1)").arg(status);
    return status == ERROR_SUCCESS;
}

bool WinAutostart::disable(QString* error) {
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, run_key(), 0, KEY_SET_VALUE, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        return true;
    if (status == ERROR_SUCCESS) {
        const QString name = value_name();
        status = RegDeleteValueW(key, wide(name));
        RegCloseKey(key);
    }
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND)
        return true;
    if (error)
        *error = QStringLiteral("the Run value cannot be removed (%1)").arg(status);
    return false;
}
