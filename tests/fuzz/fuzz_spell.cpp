// A typed spell: tokenized and matched against every pattern, as the interpreter does before it
// runs a handler.
#include "FuzzSupport.h"
#include "spells/HiddenFeatures.h"
#include "spells/SpellToken.h"

#include <cctype>

void fuzz_one(const QByteArray& spell) {
    static const QList<QByteArray> patterns = HiddenFeatures::patterns();
    const QList<SpellToken> tokens = SpellToken::tokenize(spell);
    for (const SpellToken& token : tokens) {
        FUZZ_CHECK(!token.text.isEmpty());
        for (const char c : token.text) {
            FUZZ_CHECK(!std::isspace(static_cast<unsigned char>(c)));
            FUZZ_CHECK(!(c >= 'A' && c <= 'Z'));
        }
        if (token.kind == SpellToken::Kind::Integer)
            FUZZ_CHECK(token.decimal_value == double(token.integer_value));
    }
    for (const QByteArray& pattern : patterns) {
        if (SpellToken::matches(pattern, tokens))
            FUZZ_CHECK(pattern.split(' ').size() == tokens.size());
    }
}
