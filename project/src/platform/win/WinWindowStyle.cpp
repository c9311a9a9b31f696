#include "WinWindowStyle.h"

#include <QWidget>

#include <windows.h>

bool WinWindowStyle::set_click_through(QWidget* widget, bool on, QString* error) {
    if (!widget) {
        if (error)
            *error = QStringLiteral("no window");
        return false;
    }
    HWND window = reinterpret_cast<HWND>(widget->winId());
    const quintptr key = quintptr(window);
    LONG style = GetWindowLongW(window, GWL_EXSTYLE);
    if (on) {
        if (!(style & WS_EX_LAYERED)) {
            m_layered_by_us.insert(key);
            style |= WS_EX_LAYERED;
        }
        style |= WS_EX_TRANSPARENT;
    } else {
        style &= ~WS_EX_TRANSPARENT;
        if (m_layered_by_us.remove(key))
            style &= ~WS_EX_LAYERED;
    }
    SetLastError(0);
    if (SetWindowLongW(window, GWL_EXSTYLE, style) == 0 && GetLastError() != 0) {
        if (error)
            *error = QStringLiteral("SetWindowLongW refused the style (%1)").arg(GetLastError());
        return false;
    }
    // A window made layered shows nothing until it has its opacity.
    if (on && m_layered_by_us.contains(key))
        SetLayeredWindowAttributes(window, 0, BYTE(qBound(0.0, widget->windowOpacity(), 1.0) * 255),
                                   LWA_ALPHA);
    return true;
}
