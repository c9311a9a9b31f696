#pragma once

#include "platform/Autostart.h"

// A value under HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run holding the
// quoted path of the executable (a path with spaces would otherwise start something else).
// The Run value cannot name a working folder: the program finds its data folder by itself when
// started at login.
class WinAutostart : public Autostart {
public:
    static const wchar_t* run_key();
    static QString command_for(const QString& executable);

    bool matches(const QString& executable, const QString& working_dir) const override;
    bool enable(const QString& executable, const QString& working_dir, QString* error) override;
    bool disable(QString* error) override;

private:
    static QString value_name();
};
