// A copied table row and a template, both from outside: the row from whatever was copied, the
// template from a file in the templates folder. Input: row, a NUL byte, then the template.
#include "FuzzSupport.h"
#include "templates/TemplateFiller.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::init();
    const QByteArray input = FuzzSupport::bytes(data, size);
    const int split = input.indexOf('\0');
    const QString row = QString::fromUtf8(split < 0 ? input : input.left(split));
    const QString text = split < 0 ? QString() : QString::fromUtf8(input.mid(split + 1));

    constexpr qint64 small_limit = 4096;
    const std::optional<QString> small = TemplateFiller::fill_template(row, text, small_limit);
    FUZZ_CHECK(!small || small->size() <= small_limit, input);
    const std::optional<QString> filled = TemplateFiller::fill_template(row, text);
    FUZZ_CHECK(filled, input); // a few kilobytes of input stay far below the limit
    FUZZ_CHECK(!small || *small == *filled, input);
    // Every character comes from the template or from one cell per placeholder.
    const int placeholders = text.count(QLatin1Char('$'));
    FUZZ_CHECK(filled->size() <= text.size() + qint64(placeholders) * row.size(), input);
    if (!text.contains(QLatin1Char('$')))
        FUZZ_CHECK(*filled == text, input);
    return 0;
}
