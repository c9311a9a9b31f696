#include "common/IniValueReader.h"

#include <QTextCodec>

// Each step below does what QSettings' INI reader does with the same bytes, odd corners
// included: a value is only as safe as the text Qt makes of it, not the bytes on disk.
namespace {
bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool is_special(char c) {
    return c == '\n' || c == '\r' || c == '"' || c == ';' || c == '=' || c == '\\';
}

struct Line {
    int start = 0;
    int length = 0;
    int equals = -1;
};

// One logical line from *pos on; false at the end of the data.
bool next_line(const QByteArray& data, int* pos, Line* line) {
    const int size = data.size();
    bool in_quotes = false;
    line->equals = -1;
    int start = *pos;
    while (start < size && is_space(data.at(start)))
        ++start;
    int i = start;
    while (i < size) {
        const char c = data.at(i++);
        if (!is_special(c))
            continue;
        if (c == '=') {
            if (!in_quotes && line->equals == -1)
                line->equals = i - 1;
        } else if (c == '\n' || c == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!in_quotes) {
                --i;
                break;
            }
        } else if (c == '\\') {
            // The next character is taken as it is, a line break too (with its partner).
            if (i < size) {
                const char next = data.at(i++);
                if (i < size) {
                    const char after = data.at(i);
                    if ((next == '\n' && after == '\r') || (next == '\r' && after == '\n'))
                        ++i;
                }
            }
        } else if (c == '"') {
            in_quotes = !in_quotes;
        } else { // ';' starts a comment line, or ends a line outside quotes
            if (i == start + 1) {
                while (i < size && data.at(i) != '\n' && data.at(i) != '\r')
                    ++i;
                while (i < size && is_space(data.at(i)))
                    ++i;
                start = i;
            } else if (!in_quotes) {
                --i;
                break;
            }
        }
    }
    *pos = i;
    line->start = start;
    line->length = i - start;
    return line->length > 0;
}

void chop_trailing_blanks(QString* text, int limit) {
    int n = text->size() - 1;
    while (n >= limit && (text->at(n) == QLatin1Char(' ') || text->at(n) == QLatin1Char('\t')))
        text->truncate(n--);
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char escaped(char c) {
    switch (c) {
    case 'a':
        return '\a';
    case 'b':
        return '\b';
    case 'f':
        return '\f';
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'v':
        return '\v';
    case '"':
    case '?':
    case '\'':
    case '\\':
        return c;
    default:
        return 0;
    }
}

// The text of the value in data[from, to).
void unescape(const QByteArray& data, int from, int to, QTextCodec* codec,
              IniValueReader::Entry* entry) {
    QString text;
    bool in_quotes = false;
    bool quoted = false;
    int i = from;
    const auto skip_blanks = [&] {
        while (i < to && (data.at(i) == ' ' || data.at(i) == '\t'))
            ++i;
    };
    skip_blanks();
    int chop_limit = 0;
    bool chop_at_end = true;
    while (i < to) {
        const char c = data.at(i);
        if (c == '\\') {
            if (++i >= to) {
                chop_at_end = false;
                break;
            }
            const char code = data.at(i++);
            if (const char plain = escaped(code)) {
                text += QLatin1Char(plain);
            } else if ((code == 'x' && i < to && hex_digit(data.at(i)) >= 0) ||
                       (code >= '0' && code <= '7')) {
                // As many digits as follow; a character keeps the low 16 bits.
                const bool hex = code == 'x';
                quint32 value = hex ? 0 : quint32(code - '0');
                while (i < to) {
                    const int digit =
                        hex ? hex_digit(data.at(i))
                            : (data.at(i) >= '0' && data.at(i) <= '7' ? data.at(i) - '0' : -1);
                    if (digit < 0)
                        break;
                    value = (value << (hex ? 4 : 3)) + quint32(digit);
                    ++i;
                }
                text += QChar(ushort(value & 0xffff));
                if (i >= to) {
                    chop_at_end = false;
                    break;
                }
            } else if (code == 'x') {
                if (i >= to) {
                    chop_at_end = false;
                    break;
                }
            } else if (code == '\n' || code == '\r') {
                if (i < to) {
                    const char next = data.at(i);
                    if ((next == '\n' || next == '\r') && next != code)
                        ++i;
                }
            } // any other character after a backslash is dropped
            chop_limit = text.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            in_quotes = !in_quotes;
            if (!in_quotes) {
                skip_blanks();
                chop_limit = text.size();
            }
        } else if (c == ',' && !in_quotes) {
            if (!quoted)
                chop_trailing_blanks(&text, chop_limit);
            entry->is_list = true;
            entry->texts.append(text);
            text.clear();
            quoted = false;
            ++i;
            skip_blanks();
            chop_limit = 0;
        } else {
            int j = i + 1;
            while (j < to && data.at(j) != '\\' && data.at(j) != '"' && data.at(j) != ',')
                ++j;
            text += codec ? codec->toUnicode(data.constData() + i, j - i)
                          : QString::fromLatin1(data.constData() + i, j - i);
            i = j;
        }
    }
    if (chop_at_end && !quoted)
        chop_trailing_blanks(&text, chop_limit);
    entry->texts.append(text);
}
} // namespace

std::vector<IniValueReader::Entry> IniValueReader::entries(const QByteArray& data) {
    std::vector<Entry> result;
    int pos = 0;
    QTextCodec* codec = nullptr;
    if (data.startsWith("\xef\xbb\xbf")) {
        codec = QTextCodec::codecForName("UTF-8");
        pos = 3;
    }
    Line line;
    while (next_line(data, &pos, &line)) {
        // A section's name, or a line without a value (a comment, garbage).
        if (data.at(line.start) == '[' || line.equals == -1)
            continue;
        Entry entry;
        entry.start = line.start;
        entry.end = pos;
        entry.key = data.mid(line.start, line.equals - line.start).trimmed();
        unescape(data, line.equals + 1, line.start + line.length, codec, &entry);
        result.push_back(std::move(entry));
    }
    return result;
}

bool IniValueReader::is_typed(const Entry& entry) {
    for (const QString& text : entry.texts) {
        if (text.startsWith(QLatin1Char('@')) &&
            (text.size() < 2 || text.at(1) != QLatin1Char('@')))
            return true;
    }
    return false;
}
