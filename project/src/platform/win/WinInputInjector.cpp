#include "WinInputInjector.h"

#include "WinProcess.h"
#include "platform/VirtualKeys.h"

#include <QtDebug>

#include <windows.h>

namespace {
bool send(WORD key, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    input.ki.dwExtraInfo = WinInputInjector::extra_info;
    return SendInput(1, &input, sizeof(input)) == 1;
}

bool physically_down(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}
} // namespace

void WinInputInjector::send_key(int virtual_key, bool down) {
    if (virtual_key == VirtualKeys::V && down) {
        for (const int windows_key : {VK_LWIN, VK_RWIN}) {
            if (physically_down(windows_key))
                send(WORD(windows_key), false);
        }
        if (GetForegroundWindow() == nullptr)
            qWarning("InputInjector: no window in front to paste into");
        else if (WinProcess::foreground_process() == GetCurrentProcessId())
            qWarning("InputInjector: our own window is in front, the paste goes to it");
        // Windows keeps our keys from a program that runs with more rights (UIPI) and says
        // nothing: say it at least.
        if (WinProcess::foreground_is_elevated_above_us())
            qWarning("InputInjector: the window in front runs elevated, the paste cannot reach it");
    }
    if (!send(WORD(virtual_key), down)) {
        qWarning("InputInjector: SendInput refused key 0x%x (%lu)", virtual_key, GetLastError());
        return;
    }
    // Programs that read the key state rather than the messages must see Ctrl down before V.
    if (virtual_key == VirtualKeys::Control && down)
        Sleep(5);
}
