#pragma once

#include "platform/GlobalHotkeys.h"

#include <QKeySequence>

// Wayland has no global shortcuts for a program to take: the desktop binds them to Corvana's
// command line (`corvana --show-history` and the others; see docs/wayland/).
class WaylandGlobalHotkeys : public GlobalHotkeys {
    Q_OBJECT
public:
    using GlobalHotkeys::GlobalHotkeys;
    Registration register_hotkey(const QKeySequence&) override {
        Registration refused;
        refused.failure = Registration::Failure::Unavailable;
        refused.error = QStringLiteral("on Wayland the desktop binds shortcuts to Corvana's "
                                       "command line (corvana --help)");
        return refused;
    }
    void unregister_hotkey(int) override {}
};
