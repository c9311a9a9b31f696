#pragma once

#include <QString>
#include <optional>

// Fills a template's "$1", "$2", ... with the tab-separated cells of one copied table row.
//
// Only the template's own placeholders are filled: a cell is pasted as it stands, so a cell that
// holds "$25" (a price) stays "$25", and a filled row can never feed itself. A placeholder is a
// "$" and one digit 1-9, so "$10" is cell 1 followed by "0"; numbers beyond the row's cells stay
// as written, and cells beyond the highest placeholder are dropped.
class TemplateFiller {
public:
    // The longest filled row, in characters: about 8000 pages of text, far beyond any form letter,
    // and at most 32 MB in memory. A template that repeats a large cell thousands of times would
    // otherwise ask for gigabytes.
    static constexpr qint64 max_result_chars = qint64(16) << 20;

    // The filled row, or nothing when it would be longer than max_chars.
    static std::optional<QString> fill_template(const QString& row, const QString& template_text,
                                                qint64 max_chars = max_result_chars);
};
