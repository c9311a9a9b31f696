#include "platform/Platform.h"

#include <QtGlobal>

namespace {
std::unique_ptr<Platform>& installed() {
    static std::unique_ptr<Platform> platform;
    return platform;
}
} // namespace

void Platform::install(std::unique_ptr<Platform> platform) {
    installed() = std::move(platform);
}

Platform& Platform::instance() {
    Q_ASSERT_X(installed(), "Platform::instance", "no platform installed");
    return *installed();
}

void Platform::uninstall() {
    installed().reset();
}
