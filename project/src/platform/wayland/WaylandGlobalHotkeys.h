#pragma once

#include "platform/GlobalHotkeys.h"

#include <QKeySequence>

// A Wayland desktop without the GlobalShortcuts portal gives a program no global shortcuts: it
// binds them to Corvana's command line (`corvana --show-history` and the others; see
// docs/wayland/).
class WaylandGlobalHotkeys : public GlobalHotkeys {
    Q_OBJECT
public:
    using GlobalHotkeys::GlobalHotkeys;
    Registration register_hotkey(const QKeySequence&) override {
        Registration refused;
        refused.failure = Registration::Failure::Unavailable;
        refused.error = QStringLiteral("this Wayland desktop has no GlobalShortcuts portal: "
                                       "it binds shortcuts to Corvana's command line "
                                       "(corvana --help)");
        return refused;
    }
    void unregister_hotkey(int) override {}
};
