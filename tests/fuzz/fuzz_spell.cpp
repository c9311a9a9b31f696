// A typed spell: tokenized and matched against every pattern, as the interpreter does before it
// runs a handler.
#include "FuzzSupport.h"
#include "spells/HiddenFeatures.h"
#include "spells/SpellToken.h"

#include <cctype>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::init();
    static const QList<QByteArray> patterns = HiddenFeatures::patterns();
    const QByteArray spell = FuzzSupport::bytes(data, size);
    const QList<SpellToken> tokens = SpellToken::tokenize(spell);
    for (const SpellToken& token : tokens) {
        FUZZ_CHECK(!token.text.isEmpty(), spell);
        for (const char c : token.text) {
            FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(c)), spell);
            FUZZ_CHECK(!(c >= 'A' && c <= 'Z'), spell);
        }
        if (token.kind == SpellToken::Kind::Integer)
            FUZZ_CHECK(token.decimal_value == double(token.integer_value), spell);
    }
    for (const QByteArray& pattern : patterns) {
        if (SpellToken::matches(pattern, tokens))
            FUZZ_CHECK(pattern.split(' ').size() == tokens.size(), spell);
    }
    return 0;
}
