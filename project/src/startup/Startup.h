#pragma once

#include "platform/ShellLinks.h"

#include <QString>

class Autostart;
struct AppSettings;

// Ties the program into the user's session: start at login, and the launchers made on the first
// start. Failures are logged and change nothing else.
class Startup {
public:
    // uninstaller_name: the file an installation puts beside the program to remove it.
    Startup(Autostart& autostart, ShellLinks& links, const QString& uninstaller_name);

    // At every start: start at login follows the setting; the first start makes the launchers.
    void apply_at_start(const AppSettings& settings);

    bool enable_start_at_login();
    bool disable_start_at_login();
    // The menu launcher, the uninstall launcher (when an uninstaller is installed beside the
    // program) and the desktop launcher, in that order; true when all of them were made.
    bool create_shell_shortcuts();

    // Where launchers start the program: its data folder, created when missing.
    static QString launch_folder();
    // The uninstaller an installation puts beside the program.
    QString uninstaller() const;

private:
    bool make_link(ShellLinks::Place place, const QString& folder, const QString& name,
                   const QString& title, const QString& target);

    Autostart& m_autostart;
    ShellLinks& m_links;
    QString m_uninstaller_name;
};
