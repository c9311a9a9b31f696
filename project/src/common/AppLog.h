#pragma once

#include <QString>

// One development log line on standard output: "file:///" + source path + ":" + line + ": " +
// message, flushed, so a development console shows it as a link to the call site.
class AppLog {
public:
    static void write(const char* source_file, int line, const QString& message);
    static QByteArray format_line(const char* source_file, int line, const QString& message);
    // The path part of a line, as written for a given source file.
    static QString source_path(const char* source_file);
    // A plain line without the prefix, flushed.
    static void plain(const QString& text);
};

#define APP_LOG(message) AppLog::write(__FILE__, __LINE__, (message))
