#include "autocomplete/AutocompleteJson.h"

#include <cstring>
#include <string>

namespace {
const char element_head[] = "    {\n        \"text\": \"";
const char element_middle[] = "\",\n        \"type\": \"";
const char element_end[] = "\"\n    }";
constexpr int max_depth = 256;

bool starts_with(const char* p, const char* end, const char* literal, size_t size) {
    return size_t(end - p) >= size && std::memcmp(p, literal, size) == 0;
}
template <size_t N> bool starts_with(const char* p, const char* end, const char (&literal)[N]) {
    return starts_with(p, end, literal, N - 1);
}

// Length of the valid UTF-8 sequence at p, or 0.
int utf8_sequence(const unsigned char* p, const unsigned char* end) {
    const unsigned c = p[0];
    if (c < 0x80)
        return 1;
    int length;
    unsigned min;
    unsigned code;
    if ((c & 0xE0) == 0xC0) {
        length = 2, min = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3, min = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, code = c & 0x07;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void append_utf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Which escapes Qt writes for a character below 0x20 that has a short form.
char short_escape(unsigned char c) {
    switch (c) {
    case '\b':
        return 'b';
    case '\t':
        return 't';
    case '\n':
        return 'n';
    case '\f':
        return 'f';
    case '\r':
        return 'r';
    default:
        return 0;
    }
}

class Parser {
public:
    Parser(const char* data, qint64 size, const AutocompleteJson::Sink& sink)
        : m_begin(data), m_p(data), m_end(data + size), m_sink(sink) {}

    AutocompleteJson::Result run() {
        m_result.canonical = true;
        const char* resume = nullptr;
        bool after_element = false;
        if (canonical(&resume, &after_element)) {
            m_result.complete = true;
            return m_result;
        }
        m_result.canonical = false;
        if (resume) {
            m_p = resume;
            if (!array_rest(after_element ? State::AfterElement : State::First))
                return m_result;
        } else {
            m_p = m_begin;
            if (!document())
                return m_result;
        }
        skip_space();
        if (m_p != m_end) {
            fail("garbage after the array");
            return m_result;
        }
        m_result.complete = true;
        return m_result;
    }

private:
    enum class State { First, AfterElement };

    // The layout we write, read without any generality. Where it stops matching, *resume and
    // *after_element say where the general parser picks up.
    bool canonical(const char** resume, bool* after_element) {
        if (!starts_with(m_p, m_end, "[\n"))
            return false;
        m_p += 2;
        *resume = m_p;
        *after_element = false;
        if (starts_with(m_p, m_end, "]\n") && m_p + 2 == m_end)
            return true;
        for (;;) {
            if (!starts_with(m_p, m_end, element_head))
                return false;
            m_p += sizeof(element_head) - 1;
            const char* text;
            qsizetype text_size;
            if (!canonical_string(m_text, &text, &text_size))
                return false;
            // The string's closing quote is behind us already.
            if (!starts_with(m_p, m_end, element_middle + 1, sizeof(element_middle) - 2))
                return false;
            m_p += sizeof(element_middle) - 2;
            const char* type;
            qsizetype type_size;
            if (!canonical_string(m_type, &type, &type_size))
                return false;
            if (!starts_with(m_p, m_end, element_end + 1, sizeof(element_end) - 2))
                return false;
            m_p += sizeof(element_end) - 2;
            emit_entry(type, type_size, text, text_size);
            *resume = m_p;
            *after_element = true;
            if (starts_with(m_p, m_end, ",\n")) {
                m_p += 2;
                continue;
            }
            return starts_with(m_p, m_end, "\n]\n") && m_p + 3 == m_end;
        }
    }

    // A string exactly as we escape it; the result points into the file when it has no escapes.
    bool canonical_string(std::string& scratch, const char** out, qsizetype* out_size) {
        const char* start = m_p;
        bool copying = false;
        while (m_p < m_end) {
            const auto c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                if (copying) {
                    *out = scratch.data();
                    *out_size = qsizetype(scratch.size());
                } else {
                    *out = start;
                    *out_size = m_p - start;
                }
                ++m_p;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c == '\\') {
                if (!copying) {
                    scratch.assign(start, size_t(m_p - start));
                    copying = true;
                }
                if (m_end - m_p < 2)
                    return false;
                const char e = m_p[1];
                switch (e) {
                case '"':
                case '\\':
                    scratch += e;
                    m_p += 2;
                    continue;
                case 'b':
                    scratch += '\b';
                    m_p += 2;
                    continue;
                case 't':
                    scratch += '\t';
                    m_p += 2;
                    continue;
                case 'n':
                    scratch += '\n';
                    m_p += 2;
                    continue;
                case 'f':
                    scratch += '\f';
                    m_p += 2;
                    continue;
                case 'r':
                    scratch += '\r';
                    m_p += 2;
                    continue;
                case 'u': {
                    if (m_end - m_p < 6 || m_p[2] != '0' || m_p[3] != '0')
                        return false;
                    const int high = hex_value(m_p[4]);
                    const int low = hex_value(m_p[5]);
                    if (high < 0 || high > 1 || low < 0 || (m_p[5] >= 'A' && m_p[5] <= 'F'))
                        return false;
                    const auto code = static_cast<unsigned char>(high * 16 + low);
                    if (short_escape(code))
                        return false;
                    scratch += char(code);
                    m_p += 6;
                    continue;
                }
                default:
                    return false;
                }
            }
            const int length = utf8_sequence(reinterpret_cast<const unsigned char*>(m_p),
                                             reinterpret_cast<const unsigned char*>(m_end));
            if (length == 0)
                return false;
            if (copying)
                scratch.append(m_p, size_t(length));
            m_p += length;
        }
        return false;
    }

    void emit_entry(const char* type, qsizetype type_size, const char* text, qsizetype text_size) {
        ++m_result.entries;
        m_sink(type, type_size, text, text_size);
    }

    bool fail(const char* message) {
        if (m_result.error.isEmpty()) {
            m_result.error = QString::fromLatin1(message);
            m_result.error_offset = m_p - m_begin;
        }
        m_result.complete = false;
        return false;
    }

    void skip_space() {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\n' || *m_p == '\r' || *m_p == '\t'))
            ++m_p;
    }

    bool document() {
        skip_space();
        if (m_p == m_end)
            return fail("empty document");
        if (*m_p == '{')
            return fail("an object where an array of entries belongs");
        if (*m_p != '[')
            return fail("not a JSON array");
        ++m_p;
        return array_rest(State::First);
    }

    bool array_rest(State state) {
        for (;;) {
            skip_space();
            if (state == State::AfterElement) {
                if (m_p == m_end)
                    return fail("unterminated array");
                if (*m_p == ']') {
                    ++m_p;
                    return true;
                }
                if (*m_p != ',')
                    return fail("expected , or ]");
                ++m_p;
                skip_space();
            } else if (m_p < m_end && *m_p == ']') {
                ++m_p;
                return true;
            }
            if (!element())
                return false;
            state = State::AfterElement;
        }
    }

    // One top-level element: an object gives an entry, anything else is skipped.
    bool element() {
        if (m_p == m_end)
            return fail("unterminated array");
        if (*m_p != '{') {
            m_result.lossless = false;
            return value(1);
        }
        ++m_p;
        bool has_text = false;
        bool has_type = false;
        std::string text;
        std::string type;
        skip_space();
        if (m_p < m_end && *m_p == '}') {
            ++m_p;
            m_result.lossless = false;
            return true;
        }
        for (;;) {
            skip_space();
            std::string key;
            if (m_p == m_end || *m_p != '"')
                return fail("expected a member name");
            if (!string(key))
                return false;
            skip_space();
            if (m_p == m_end || *m_p != ':')
                return fail("expected :");
            ++m_p;
            skip_space();
            const bool wanted = key == "text" || key == "type";
            if (wanted && m_p < m_end && *m_p == '"') {
                std::string& target = key == "text" ? text : type;
                target.clear();
                if (!string(target))
                    return false;
                (key == "text" ? has_text : has_type) = true;
            } else {
                m_result.lossless = false;
                if (!value(2))
                    return false;
            }
            skip_space();
            if (m_p == m_end)
                return fail("unterminated object");
            if (*m_p == ',') {
                ++m_p;
                continue;
            }
            if (*m_p != '}')
                return fail("expected , or }");
            ++m_p;
            break;
        }
        if (!has_text || !has_type)
            m_result.lossless = false;
        // An entry without text cannot be found or pasted; it is not kept.
        if (text.empty()) {
            m_result.lossless = false;
            return true;
        }
        emit_entry(type.data(), qsizetype(type.size()), text.data(), qsizetype(text.size()));
        return true;
    }

    bool value(int depth) {
        if (depth > max_depth)
            return fail("nested too deeply");
        skip_space();
        if (m_p == m_end)
            return fail("unexpected end");
        const char c = *m_p;
        if (c == '"') {
            std::string ignored;
            return string(ignored);
        }
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            ++m_p;
            skip_space();
            if (m_p < m_end && *m_p == close) {
                ++m_p;
                return true;
            }
            for (;;) {
                skip_space();
                if (c == '{') {
                    std::string key;
                    if (m_p == m_end || *m_p != '"')
                        return fail("expected a member name");
                    if (!string(key))
                        return false;
                    skip_space();
                    if (m_p == m_end || *m_p != ':')
                        return fail("expected :");
                    ++m_p;
                }
                if (!value(depth + 1))
                    return false;
                skip_space();
                if (m_p == m_end)
                    return fail("unexpected end");
                if (*m_p == ',') {
                    ++m_p;
                    continue;
                }
                if (*m_p != close)
                    return fail("expected , or a closing bracket");
                ++m_p;
                return true;
            }
        }
        for (const char* literal : {"true", "false", "null"}) {
            const size_t size = std::strlen(literal);
            if (starts_with(m_p, m_end, literal, size)) {
                m_p += size;
                return true;
            }
        }
        const char* start = m_p;
        while (m_p < m_end && (std::strchr("+-.eE", *m_p) || (*m_p >= '0' && *m_p <= '9')) && *m_p)
            ++m_p;
        return m_p != start || fail("unexpected character");
    }

    // A JSON string at m_p (on its opening quote), decoded into out as UTF-8.
    bool string(std::string& out) {
        ++m_p;
        for (;;) {
            const char* run = m_p;
            while (m_p < m_end && *m_p != '"' && *m_p != '\\' &&
                   static_cast<unsigned char>(*m_p) < 0x80)
                ++m_p;
            out.append(run, size_t(m_p - run));
            if (m_p == m_end)
                return fail("unterminated string");
            const auto c = static_cast<unsigned char>(*m_p);
            if (c == '"') {
                ++m_p;
                return true;
            }
            if (c >= 0x80) {
                const int length = utf8_sequence(reinterpret_cast<const unsigned char*>(m_p),
                                                 reinterpret_cast<const unsigned char*>(m_end));
                if (length == 0) {
                    // Bytes that are not UTF-8 become U+FFFD, as Qt reads them.
                    m_result.lossless = false;
                    append_utf8(out, 0xFFFD);
                    ++m_p;
                } else {
                    out.append(m_p, size_t(length));
                    m_p += length;
                }
                continue;
            }
            if (!escape(out))
                return false;
        }
    }

    bool escape(std::string& out) {
        if (m_end - m_p < 2)
            return fail("unterminated escape");
        const char e = m_p[1];
        m_p += 2;
        switch (e) {
        case '"':
        case '\\':
        case '/':
            out += e;
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            break;
        default:
            return fail("unknown escape");
        }
        unsigned code;
        if (!hex4(&code))
            return false;
        if (code >= 0xD800 && code <= 0xDBFF && starts_with(m_p, m_end, "\\u")) {
            const char* back = m_p;
            m_p += 2;
            unsigned low;
            if (hex4(&low) && low >= 0xDC00 && low <= 0xDFFF) {
                append_utf8(out, 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00));
                return true;
            }
            m_p = back;
        }
        if (code >= 0xD800 && code <= 0xDFFF) {
            m_result.lossless = false;
            code = 0xFFFD;
        }
        append_utf8(out, code);
        return true;
    }

    bool hex4(unsigned* code) {
        if (m_end - m_p < 4)
            return fail("short \\u escape");
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = hex_value(m_p[i]);
            if (digit < 0)
                return fail("bad \\u escape");
            value = value * 16 + unsigned(digit);
        }
        m_p += 4;
        *code = value;
        return true;
    }

    const char* m_begin;
    const char* m_p;
    const char* m_end;
    const AutocompleteJson::Sink& m_sink;
    AutocompleteJson::Result m_result;
    std::string m_text;
    std::string m_type;
};
} // namespace

AutocompleteJson::Result AutocompleteJson::parse(const char* data, qint64 size, const Sink& sink) {
    return Parser(data, size, sink).run();
}

void AutocompleteJson::append_element(QByteArray& out, const char* type, qsizetype type_size,
                                      const char* text, qsizetype text_size) {
    out.append(element_head, sizeof(element_head) - 1);
    append_escaped(out, text, text_size);
    out.append(element_middle, sizeof(element_middle) - 1);
    append_escaped(out, type, type_size);
    out.append(element_end, sizeof(element_end) - 1);
}

void AutocompleteJson::append_escaped(QByteArray& out, const char* text, qsizetype size) {
    static const char hex[] = "0123456789abcdef";
    const char* run = text;
    const char* end = text + size;
    for (const char* p = text; p < end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(run, int(p - run));
        run = p + 1;
        out.append('\\');
        if (c == '"' || c == '\\') {
            out.append(char(c));
        } else if (const char s = short_escape(c)) {
            out.append(s);
        } else {
            out.append("u00", 3);
            out.append(hex[c >> 4]);
            out.append(hex[c & 0xF]);
        }
    }
    out.append(run, int(end - run));
}

bool AutocompleteJson::is_valid_utf8(const char* data, qsizetype size) {
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const auto* end = p + size;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const int length = utf8_sequence(p, end);
        if (length == 0)
            return false;
        p += length;
    }
    return true;
}
