#pragma once

#include <QByteArray>
#include <QStringList>
#include <vector>

// The values of an INI file as QSettings (Qt 5) reads them, before it turns any into a typed
// value: escapes undone (\x40 and \100 are "@"), quotes removed, lines continued with a
// backslash joined, unquoted commas making a list, and the text decoded as UTF-8 when the file
// starts with a byte order mark, else as Latin-1. Only what decides a value's text is read;
// keys and sections are not.
class IniValueReader {
public:
    struct Entry {
        // Where the line that gives the value starts and ends in the file (a line continued
        // with a backslash or inside quotes counts as one).
        int start = 0;
        int end = 0;
        // The key as written (escapes left as they are).
        QByteArray key;
        // One text, or the members of a list.
        QStringList texts;
        bool is_list = false;
    };

    static std::vector<Entry> entries(const QByteArray& data);

    // Whether QSettings would make something other than text of the entry: a member that starts
    // with a single "@" ("@Variant(...)", "@ByteArray(...)", ...); "@@" stands for a plain "@".
    static bool is_typed(const Entry& entry);
};
