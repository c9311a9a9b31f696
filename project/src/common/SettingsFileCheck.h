#pragma once

#include <QString>

// Looks at the settings file before QSettings reads it. QSettings turns a value whose text is
// "@Variant(...)" into whatever Qt type the bytes describe, and a few wrong bytes there ask for
// gigabytes or abort the program at every start. Corvana never writes a value that Qt reads as
// anything but text (booleans, numbers and plain text only; a text starting with "@" is stored
// as "@@"), so a line holding one came from elsewhere: the original is kept beside the file and
// the line is dropped, every other setting stays. The text is the one Qt makes of the value
// (IniValueReader), whatever escapes or continued lines spell it.
class SettingsFileCheck {
public:
    // A settings file is a few kilobytes; a larger one is kept aside whole and defaults are used.
    static constexpr qint64 max_file_bytes = 1 << 20;

    // Cleans the file at path in place when needed. True when the file is fine as it is or was
    // cleaned; *note says what was done (empty when nothing was).
    static bool clean(const QString& path, QString* note);
};
