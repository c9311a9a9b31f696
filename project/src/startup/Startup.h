#pragma once

#include <QString>

struct AppSettings;

// Ties the program into the user's session: start at login, and the launchers made on the first
// start. Failures are logged and change nothing else.
class Startup {
public:
    // At every start: start at login follows the setting; the first start makes the launchers.
    static void apply_at_start(const AppSettings& settings);

    static bool enable_start_at_login();
    static bool disable_start_at_login();
    // The menu launcher (unless a package's menu entry is installed), the uninstall launcher
    // (when an uninstaller is installed beside the program) and the desktop launcher, in that
    // order; true when all of them were made.
    static bool create_shell_shortcuts();

    // Where launchers start the program: its data folder, created when missing.
    static QString launch_folder();
    // The uninstaller an installation puts beside the program.
    static QString uninstaller();
};
