#pragma once

#include <QByteArray>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

// A list of typed texts found by content, each answering for one equal text only: what tells
// which entries of one list another lacks, counting repeats (the same text copied twice is two
// entries).
class TextMatcher {
public:
    // The type and bytes of entry index (the bytes may be read into scratch).
    using Entry = std::function<std::string_view(int index, quint16* type, QByteArray* scratch)>;

    TextMatcher(int count, Entry entry);
    // Whether an entry equal to (type, bytes) is there and not matched yet; it is matched then.
    bool match(quint16 type, std::string_view bytes);

private:
    static size_t key(quint16 type, std::string_view bytes);

    Entry m_entry;
    std::vector<std::pair<size_t, int>> m_keys; // sorted
    std::vector<bool> m_matched;                // by index
    QByteArray m_scratch;
};
