#include "WinMessageWindow.h"

#include <QtDebug>

#include <windows.h>

namespace {
const wchar_t class_name[] = L"CorvanaMessageWindow";

LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return WinMessageWindow::dispatch(window, message, wparam, lparam);
}

bool register_class() {
    static const bool registered = [] {
        WNDCLASSEXW window_class = {};
        window_class.cbSize = sizeof(window_class);
        window_class.lpfnWndProc = window_procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = class_name;
        return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}
} // namespace

WinMessageWindow::WinMessageWindow(const QString& title, bool top_level, Handler handler)
    : m_handler(std::move(handler)) {
    if (!register_class()) {
        qWarning("WinMessageWindow: RegisterClassExW failed (%lu)", GetLastError());
        return;
    }
    HWND window = CreateWindowExW(0, class_name, reinterpret_cast<LPCWSTR>(title.utf16()), 0, 0, 0,
                                  0, 0, top_level ? nullptr : HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) {
        qWarning("WinMessageWindow: CreateWindowExW failed (%lu)", GetLastError());
        return;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_window = window;
}

WinMessageWindow::~WinMessageWindow() {
    if (m_window) {
        SetWindowLongPtrW(static_cast<HWND>(m_window), GWLP_USERDATA, 0);
        DestroyWindow(static_cast<HWND>(m_window));
    }
}

qintptr WinMessageWindow::dispatch(void* window, unsigned message, quintptr wparam,
                                   qintptr lparam) {
    auto* self = reinterpret_cast<WinMessageWindow*>(
        GetWindowLongPtrW(static_cast<HWND>(window), GWLP_USERDATA));
    qintptr result = 0;
    if (self && self->m_handler && self->m_handler(message, wparam, lparam, &result))
        return result;
    return DefWindowProcW(static_cast<HWND>(window), message, wparam, lparam);
}
