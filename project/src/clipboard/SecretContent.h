#pragma once

class QMimeData;

// Content that its source marks as secret (password managers set x-kde-passwordManagerHint to
// "secret"): pasted like any copy, but never written to disk and never shown.
class SecretContent {
public:
    static const char* hint_format() { return "x-kde-passwordManagerHint"; }
    static bool is_secret(const QMimeData* data);
};
