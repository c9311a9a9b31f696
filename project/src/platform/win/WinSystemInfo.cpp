#include "WinSystemInfo.h"

#include <windows.h>

bool WinSystemInfo::is_modern_desktop() const {
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 2;
    DWORDLONG mask = 0;
    mask = VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, mask) != FALSE;
}

bool WinSystemInfo::set_mouse_trails(int length, QString* error) {
    // For this session only: the user's saved setting stays as it was.
    if (SystemParametersInfoW(SPI_SETMOUSETRAILS, UINT(qMax(0, length)), nullptr, SPIF_SENDCHANGE))
        return true;
    if (error)
        *error =
            QStringLiteral("SystemParametersInfoW refused mouse trails (%1)").arg(GetLastError());
    return false;
}
