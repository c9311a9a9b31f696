#pragma once

#include <QString>
#include <QStringList>

// The program's arguments, read before the application object exists: --help, --version and
// usage errors need no display. Qt's own options (-platform, -style, ...) are let through for
// the application object to take.
class CommandLine {
public:
    enum class Outcome { Run, Help, Version, UsageError };
    struct Parsed {
        Outcome outcome = Outcome::Run;
        // The command for the running instance ("paste-next", ...); empty without an action.
        QString action;
        // What to print: the usage (Help), "Corvana x.y.z" (Version), or the error and the
        // usage (UsageError).
        QString text;
        int exit_code = 0;
    };

    // arguments as main received them, the program's name first.
    static Parsed parse(const QStringList& arguments);
    // The commands a second start may send, as they appear after "--".
    static const QStringList& actions();
    static QString usage();
};
