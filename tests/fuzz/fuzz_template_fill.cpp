// A copied table row and a template, both from outside: the row from whatever was copied, the
// template from a file in the templates folder. Input: row, a NUL byte, then the template.
#include "FuzzSupport.h"
#include "templates/TemplateFiller.h"

void fuzz_one(const QByteArray& input) {
    const int split = input.indexOf('\0');
    const QString row = QString::fromUtf8(split < 0 ? input : input.left(split));
    const QString text = split < 0 ? QString() : QString::fromUtf8(input.mid(split + 1));

    constexpr qint64 small_limit = 4096;
    const std::optional<QString> small = TemplateFiller::fill_template(row, text, small_limit);
    FUZZ_CHECK(!small || small->size() <= small_limit);
    const std::optional<QString> filled = TemplateFiller::fill_template(row, text);
    FUZZ_CHECK(filled); // a few kilobytes of input stay far below the limit
    FUZZ_CHECK(!small || *small == *filled);
    // Every character comes from the template or from one cell per placeholder.
    const int placeholders = text.count(QLatin1Char('$'));
    FUZZ_CHECK(filled->size() <= text.size() + qint64(placeholders) * row.size());
    if (!text.contains(QLatin1Char('$')))
        FUZZ_CHECK(*filled == text);
}
