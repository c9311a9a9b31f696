#pragma once

#include "platform/Autostart.h"

// Start at login as an XDG autostart entry: $XDG_CONFIG_HOME/autostart/Corvana.desktop.
class XdgAutostart : public Autostart {
public:
    static QString entry_path();

    bool matches(const QString& executable, const QString& working_dir) const override;
    bool enable(const QString& executable, const QString& working_dir, QString* error) override;
    bool disable(QString* error) override;
};
