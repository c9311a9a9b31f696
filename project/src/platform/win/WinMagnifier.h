#pragma once

#include "platform/Magnifier.h"

#include <memory>

class WinMagnifierOverlay;

// The Magnification API's full-screen transform, loaded at run time: Magnification.dll is
// missing where Windows has no magnifier (Server Core, Wine) and refuses a 32-bit process on
// 64-bit Windows. Without it, an overlay shows a still picture of the screen, magnified.
class WinMagnifier : public Magnifier {
public:
    WinMagnifier();
    ~WinMagnifier() override;

    bool set_view(float factor, const QRect& view, const QRect& screen, QString* error) override;

    // Whether the system magnifier is used (false: the overlay).
    bool native() const { return m_transform != nullptr; }

private:
    using Initialize = int(__stdcall*)();
    using Uninitialize = int(__stdcall*)();
    using SetTransform = int(__stdcall*)(float, int, int);

    void* m_library = nullptr;
    SetTransform m_transform = nullptr;
    Uninitialize m_uninitialize = nullptr;
    bool m_initialized = false;
    std::unique_ptr<WinMagnifierOverlay> m_overlay;
};
