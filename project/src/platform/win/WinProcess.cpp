#include "WinProcess.h"

#include <chrono>

#include <windows.h>

qint64 WinProcess::now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

quint32 WinProcess::foreground_process() {
    return process_of(GetForegroundWindow());
}

quint32 WinProcess::process_of(void* window) {
    if (!window)
        return 0;
    DWORD process = 0;
    GetWindowThreadProcessId(static_cast<HWND>(window), &process);
    return quint32(process);
}

namespace {
// -1 when it cannot be told.
int elevated(HANDLE process) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return -1;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    const BOOL ok =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size);
    CloseHandle(token);
    return ok ? (elevation.TokenIsElevated ? 1 : 0) : -1;
}
} // namespace

bool WinProcess::foreground_is_elevated_above_us() {
    const quint32 id = foreground_process();
    if (id == 0 || id == GetCurrentProcessId())
        return false;
    if (elevated(GetCurrentProcess()) != 0)
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process)
        return GetLastError() == ERROR_ACCESS_DENIED; // a protected or elevated process
    const int result = elevated(process);
    CloseHandle(process);
    return result == 1;
}
