#pragma once

#include <QString>

class QMimeData;

// Content that its source marks as secret (password managers set x-kde-passwordManagerHint to
// "secret"): pasted like any copy, but never written to disk and never shown.
class SecretContent {
public:
    static const char* hint_format() { return "x-kde-passwordManagerHint"; }
    static bool is_secret(const QMimeData* data);
    // Puts the mark on data we serve, so that other programs are told what we were told.
    static void mark(QMimeData* data);

    // What a log line may show of copied text: its length, and for content not marked secret
    // its first preview_length characters on one line.
    static constexpr int preview_length = 80;
    static QString log_preview(const QString& text, bool secret);
};
