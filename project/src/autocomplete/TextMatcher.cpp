#include "autocomplete/TextMatcher.h"

#include <algorithm>
#include <climits>

TextMatcher::TextMatcher(int count, Entry entry)
    : m_entry(std::move(entry)), m_keys(size_t(count)), m_matched(size_t(count)) {
    for (int i = 0; i < count; ++i) {
        quint16 type;
        const std::string_view bytes = m_entry(i, &type, &m_scratch);
        m_keys[size_t(i)] = {key(type, bytes), i};
    }
    std::sort(m_keys.begin(), m_keys.end());
}

size_t TextMatcher::key(quint16 type, std::string_view bytes) {
    return std::hash<std::string_view>()(bytes) ^ (size_t(type) * size_t(0x9E3779B97F4A7C15));
}

bool TextMatcher::match(quint16 type, std::string_view bytes) {
    const size_t wanted = key(type, bytes);
    for (auto it = std::lower_bound(m_keys.begin(), m_keys.end(), std::make_pair(wanted, INT_MIN));
         it != m_keys.end() && it->first == wanted; ++it) {
        const size_t i = size_t(it->second);
        quint16 their_type;
        if (!m_matched[i] && m_entry(int(i), &their_type, &m_scratch) == bytes &&
            their_type == type) {
            m_matched[i] = true;
            return true;
        }
    }
    return false;
}
