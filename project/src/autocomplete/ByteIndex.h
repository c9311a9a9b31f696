#pragma once

#include <QtGlobal>
#include <string_view>
#include <vector>

// For each byte value, one bit per text holding it: a search for one character, the first
// keystroke of every search, reads these instead of every byte.
class ByteIndex {
public:
    // Texts are added in order, each once.
    void add(int text, std::string_view bytes);
    void clear() { m_bits.clear(); }
    // The texts in [first, last) holding byte, as text + offset, in order.
    void texts_with(quint8 byte, int first, int last, quint32 offset,
                    std::vector<quint32>& out) const;

private:
    std::vector<std::vector<quint64>> m_bits;
};
