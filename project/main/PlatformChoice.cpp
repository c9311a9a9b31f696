#include "platform/Platform.h"

// Both desktop backends are linked into the program; the session decides at start.
std::unique_ptr<Platform> create_x11_platform();
#ifdef CORVANA_WAYLAND
std::unique_ptr<Platform> create_wayland_platform();
bool wayland_backend_wanted();
// Null outside a Wayland session.
std::unique_ptr<Platform> create_xwayland_platform();
#endif

std::unique_ptr<Platform> create_platform() {
#ifdef CORVANA_WAYLAND
    if (wayland_backend_wanted())
        return create_wayland_platform();
    if (auto xwayland = create_xwayland_platform())
        return xwayland;
#endif
    return create_x11_platform();
}
