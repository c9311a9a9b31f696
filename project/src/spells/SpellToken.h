#pragma once

#include <QByteArray>
#include <QList>

// One word of a spell, classified.
struct SpellToken {
    enum class Kind { Boolean, Decimal, Integer, Word };

    Kind kind = Kind::Word;
    QByteArray text; // as typed, lower-cased
    double decimal_value = 0;
    qint32 integer_value = 0;
    bool boolean_value = false;

    // Lower-cases ASCII letters (other bytes stay), splits at white space and classifies each
    // word: a boolean word, a 32-bit integer, a decimal number, or a plain word.
    static QList<SpellToken> tokenize(const QByteArray& spell);
    static SpellToken classify(const QByteArray& word);

    // Whether the pattern ("%b", "%d", "%f", "%s" or literal words) matches every token, one
    // pattern word per token.
    static bool matches(const QByteArray& pattern, const QList<SpellToken>& tokens);
};
