#pragma once

#include <QString>

// Launchers the user can start the program from: the applications menu and the desktop.
class ShellLinks {
public:
    enum class Place { Applications, Desktop };

    struct Link {
        Place place;
        QString folder;      // a subfolder of the place, or empty
        QString name;        // the launcher's file name without extension
        QString title;       // what the menu or desktop shows
        QString target;      // the program or script started
        QString working_dir; // the folder it starts in
    };

    virtual ~ShellLinks() = default;

    // Makes the launcher; false with a reason in error when it cannot. A launcher of that name
    // that the program did not make is left alone.
    virtual bool create(const Link& link, QString* error) = 0;
};
