#pragma once

#include "platform/ShellLinks.h"

// Shell links (.lnk) made with IShellLink in the Start menu's programs folder and on the
// desktop, starting in the link's working folder.
class WinShellLinks : public ShellLinks {
public:
    bool create(const Link& link, QString* error) override;

    static QString path_for(const Link& link);
};
