#pragma once

#include "platform/ShellLinks.h"

// Launchers as .desktop files: in the applications folder (a subfolder per link's folder) and on
// the desktop.
class XdgShellLinks : public ShellLinks {
public:
    static QString path_for(const Link& link);

    bool create(const Link& link, QString* error) override;
};
