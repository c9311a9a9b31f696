#pragma once

#include <QString>

// Writing and recognising the .desktop files (XDG Desktop Entry) that Corvana makes.
class DesktopEntryFile {
public:
    // The key every file Corvana makes carries, so that it is only ever replaced or removed by us.
    static constexpr const char* marker = "X-Corvana-Created=true";

    struct Entry {
        QString title;
        QString executable;
        QString working_dir;
        bool autostart = false;
    };

    // The file's text; empty with a reason in error when a path cannot be written into it.
    static QString render(const Entry& entry, QString* error);

    // An Exec program quoted as the format asks (reserved characters, then the string escapes).
    static QString quote_exec(const QString& path);
    // A value of the string type: backslashes, line breaks, tabs and the spaces at either end
    // escaped.
    static QString escape_string(const QString& value);

    // Writes text to path atomically, creating missing parent folders.
    static bool write(const QString& path, const QString& text, bool executable, QString* error);
    static bool is_ours(const QString& path);
};
