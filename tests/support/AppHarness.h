#pragma once

#include "FakePlatform.h"
#include "app/App.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

// Builds App on the fake platform inside the test's own folders (see run-isolated.sh).
class AppHarness {
public:
    // Once per test program: identity, data paths and the fake platform.
    static void init_process();
    static std::unique_ptr<App> make_app();
    static QString settings_file();
    static void remove_settings();
    // Puts text on the clipboard as another program would.
    static void copy_text(const QString& text);
    // Everything the process writes to standard output (the log included) while run runs.
    static QByteArray standard_output_of(const std::function<void()>& run);
};
