#include "spells/SpellToken.h"

namespace {
bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

QByteArray lower(const QByteArray& text) {
    QByteArray result = text;
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return result;
}

QList<QByteArray> split_words(const QByteArray& text) {
    QList<QByteArray> words;
    int start = -1;
    for (int i = 0; i <= text.size(); ++i) {
        const bool end = i == text.size() || is_space(text.at(i));
        if (end && start >= 0) {
            words.append(text.mid(start, i - start));
            start = -1;
        } else if (!end && start < 0) {
            start = i;
        }
    }
    return words;
}
} // namespace

SpellToken SpellToken::classify(const QByteArray& word) {
    SpellToken token;
    token.text = word;

    static const QList<QByteArray> true_words = {"true", "on", "yes", "enable", "use", "start"};
    static const QList<QByteArray> false_words = {"false", "off", "no", "disable", "halt", "stop"};
    if (true_words.contains(word) || false_words.contains(word)) {
        token.kind = Kind::Boolean;
        token.boolean_value = true_words.contains(word);
        return token;
    }

    const int digits_from = (word.startsWith('+') || word.startsWith('-')) ? 1 : 0;
    int digits = 0;
    int dots = 0;
    bool only_digits_and_dots = true;
    for (int i = digits_from; i < word.size(); ++i) {
        if (is_digit(word.at(i)))
            ++digits;
        else if (word.at(i) == '.')
            ++dots;
        else
            only_digits_and_dots = false;
    }
    if (only_digits_and_dots && digits > 0 && dots == 0) {
        bool ok = false;
        const qlonglong value = word.toLongLong(&ok, 10);
        if (ok && value >= INT32_MIN && value <= INT32_MAX) {
            token.kind = Kind::Integer;
            token.integer_value = qint32(value);
            token.decimal_value = double(value);
            return token;
        }
    }
    if (only_digits_and_dots && digits > 0 && dots == 1) {
        bool ok = false;
        const double value = word.toDouble(&ok);
        if (ok) {
            token.kind = Kind::Decimal;
            token.decimal_value = value;
            return token;
        }
    }
    return token;
}

QList<SpellToken> SpellToken::tokenize(const QByteArray& spell) {
    QList<SpellToken> tokens;
    for (const QByteArray& word : split_words(lower(spell)))
        tokens.append(classify(word));
    return tokens;
}

bool SpellToken::matches(const QByteArray& pattern, const QList<SpellToken>& tokens) {
    const QList<QByteArray> words = split_words(lower(pattern));
    if (tokens.isEmpty() || words.size() != tokens.size())
        return false;
    for (int i = 0; i < words.size(); ++i) {
        const QByteArray& word = words.at(i);
        const Kind kind = tokens.at(i).kind;
        bool ok;
        if (word == "%b")
            ok = kind == Kind::Boolean;
        else if (word == "%d")
            ok = kind == Kind::Integer;
        else if (word == "%f")
            ok = kind == Kind::Integer || kind == Kind::Decimal;
        else if (word == "%s")
            ok = kind == Kind::Word;
        else
            ok = tokens.at(i).text == word;
        if (!ok)
            return false;
    }
    return true;
}
