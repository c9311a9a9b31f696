#include "WinMagnifier.h"

#include "WinMagnifierOverlay.h"

#include <QtDebug>

#include <windows.h>

WinMagnifier::WinMagnifier() {
    HMODULE library = LoadLibraryExW(L"Magnification.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!library) {
        qDebug("Magnifier: no Magnification.dll; the overlay is used");
        return;
    }
    auto initialize = reinterpret_cast<Initialize>(
        reinterpret_cast<void*>(GetProcAddress(library, "MagInitialize")));
    auto transform = reinterpret_cast<SetTransform>(
        reinterpret_cast<void*>(GetProcAddress(library, "MagSetFullscreenTransform")));
    auto uninitialize = reinterpret_cast<Uninitialize>(
        reinterpret_cast<void*>(GetProcAddress(library, "MagUninitialize")));
    if (!initialize || !transform || !uninitialize || !initialize()) {
        qDebug("Magnifier: the Magnification API is not usable here; the overlay is used");
        FreeLibrary(library);
        return;
    }
    m_library = library;
    m_transform = transform;
    m_uninitialize = uninitialize;
    m_initialized = true;
}

WinMagnifier::~WinMagnifier() {
    if (m_transform)
        m_transform(1.0f, 0, 0); // never leave the screen magnified behind us
    if (m_initialized)
        m_uninitialize();
    if (m_library)
        FreeLibrary(static_cast<HMODULE>(m_library));
}

bool WinMagnifier::set_view(float factor, const QRect& view, const QRect& screen, QString* error) {
    if (m_transform) {
        // The full-screen transform takes the view's corner relative to the primary screen.
        const bool restore = factor <= 1.0f;
        if (m_transform(restore ? 1.0f : factor, restore ? 0 : view.x(), restore ? 0 : view.y()))
            return true;
        if (error)
            *error = QStringLiteral("MagSetFullscreenTransform failed (%1)").arg(GetLastError());
        return false;
    }
    if (factor <= 1.0f) {
        m_overlay.reset();
        return true;
    }
    if (!m_overlay)
        m_overlay = std::make_unique<WinMagnifierOverlay>(screen);
    return m_overlay->show_view(view, error);
}
