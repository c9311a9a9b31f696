#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// The bytes of autocomplete.json: reading them back entry by entry, and writing entries in
// exactly the layout QJsonDocument::toJson(Indented) gives, so that one entry can be appended
// in place instead of rewriting the whole file.
class AutocompleteJson {
public:
    // One entry's members, UTF-8, valid only during the call.
    using Sink = std::function<void(const char* type, qsizetype type_size, const char* text,
                                    qsizetype text_size)>;

    struct Result {
        bool complete = false;  // the whole file parsed as an array
        bool canonical = false; // the bytes are exactly what we would write for the entries
        bool lossless = true;   // nothing in the file is dropped or replaced when loading it
        qint64 entries = 0;     // entries handed to the sink
        qint64 error_offset = -1;
        QString error;
    };

    static Result parse(const char* data, qint64 size, const Sink& sink);

    // The empty store, and the bytes that end every file we write.
    static QByteArray empty_document() { return QByteArrayLiteral("[\n]\n"); }
    static constexpr int tail_size = 3; // "\n]\n"

    // Appends one array element (without the separator before it) in the indented layout.
    static void append_element(QByteArray& out, const char* type, qsizetype type_size,
                               const char* text, qsizetype text_size);
    // JSON string escaping as Qt writes it; text is valid UTF-8.
    static void append_escaped(QByteArray& out, const char* text, qsizetype size);

    // Whether bytes are valid UTF-8 (no overlong forms, no surrogates).
    static bool is_valid_utf8(const char* data, qsizetype size);
};
