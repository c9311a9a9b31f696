#include "autocomplete/ByteIndex.h"

#include <algorithm>

void ByteIndex::add(int text, std::string_view bytes) {
    quint64 seen[4] = {0, 0, 0, 0};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    for (; p < end; ++p)
        seen[*p >> 6] |= quint64(1) << (*p & 63);
    if (m_bits.empty())
        m_bits.resize(256);
    const size_t word = size_t(text) >> 6;
    const quint64 bit = quint64(1) << (text & 63);
    for (int part = 0; part < 4; ++part) {
        for (quint64 bits = seen[part]; bits; bits &= bits - 1) {
            std::vector<quint64>& set = m_bits[size_t(part * 64 + __builtin_ctzll(bits))];
            if (set.size() <= word)
                set.resize(std::max(word + 1, set.size() * 2), 0);
            set[word] |= bit;
        }
    }
}

void ByteIndex::texts_with(quint8 byte, int first, int last, quint32 offset,
                           std::vector<quint32>& out) const {
    if (m_bits.empty())
        return;
    const std::vector<quint64>& set = m_bits[byte];
    const int end = std::min(last, int(set.size() * 64));
    for (int word = first >> 6; word * 64 < end; ++word) {
        quint64 bits = set[size_t(word)];
        // The edges of the range may share a word with texts outside it.
        if (word * 64 < first)
            bits &= ~quint64(0) << (first - word * 64);
        if (word * 64 + 64 > end)
            bits &= ~quint64(0) >> (word * 64 + 64 - end);
        for (; bits; bits &= bits - 1)
            out.push_back(quint32(word * 64 + __builtin_ctzll(bits)) + offset);
    }
}
