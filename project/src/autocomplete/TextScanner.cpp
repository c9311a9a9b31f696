#include "autocomplete/TextScanner.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORVANA_X86 1
#endif

namespace {
// The walk shared by every block width: candidates arrive in ascending order.
struct Walk {
    const char* data;
    const std::vector<qint64>& starts;
    int text;
    int last;
    const char* needle;
    qsizetype size;
    quint32 offset;
    std::vector<quint32>& out;
    qint64 skip_until = 0; // the text holding the last match ends here

    // A candidate at p (first and last byte match); returns where scanning may resume.
    inline void candidate(qint64 p) {
        if (p < skip_until)
            return;
        if (size > 2 && std::memcmp(data + p + 1, needle + 1, size_t(size - 2)) != 0)
            return;
        while (starts[size_t(text) + 1] <= p)
            ++text;
        const qint64 end = starts[size_t(text) + 1];
        // A match running into the next text is no match; nothing later in this text can be.
        if (p + size <= end)
            out.push_back(quint32(text) + offset);
        skip_until = end;
    }
};

void scan_scalar(Walk& walk, qint64 from, qint64 to) {
    const char first = walk.needle[0];
    const char last = walk.needle[walk.size - 1];
    for (qint64 p = std::max(from, walk.skip_until); p + walk.size <= to; ++p) {
        if (walk.data[p] == first && walk.data[p + walk.size - 1] == last) {
            walk.candidate(p);
            if (walk.skip_until > p + 1)
                p = walk.skip_until - 1;
        }
    }
}

#ifdef CORVANA_X86
__attribute__((target("avx2"))) qint64 scan_avx2(Walk& walk, qint64 from, qint64 to) {
    const __m256i first = _mm256_set1_epi8(walk.needle[0]);
    const __m256i last = _mm256_set1_epi8(walk.needle[walk.size - 1]);
    qint64 i = from;
    for (; i + walk.size - 1 + 32 <= to; i += 32) {
        if (walk.skip_until > i) {
            i = walk.skip_until - 32;
            continue;
        }
        const auto* block = reinterpret_cast<const __m256i*>(walk.data + i);
        const auto* shifted = reinterpret_cast<const __m256i*>(walk.data + i + walk.size - 1);
        const __m256i hits = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(block), first),
                                              _mm256_cmpeq_epi8(_mm256_loadu_si256(shifted), last));
        auto mask = unsigned(_mm256_movemask_epi8(hits));
        while (mask) {
            walk.candidate(i + __builtin_ctz(mask));
            mask &= mask - 1;
        }
    }
    return i;
}

qint64 scan_sse2(Walk& walk, qint64 from, qint64 to) {
    const __m128i first = _mm_set1_epi8(walk.needle[0]);
    const __m128i last = _mm_set1_epi8(walk.needle[walk.size - 1]);
    qint64 i = from;
    for (; i + walk.size - 1 + 16 <= to; i += 16) {
        if (walk.skip_until > i) {
            i = walk.skip_until - 16;
            continue;
        }
        const auto* block = reinterpret_cast<const __m128i*>(walk.data + i);
        const auto* shifted = reinterpret_cast<const __m128i*>(walk.data + i + walk.size - 1);
        const __m128i hits = _mm_and_si128(_mm_cmpeq_epi8(_mm_loadu_si128(block), first),
                                           _mm_cmpeq_epi8(_mm_loadu_si128(shifted), last));
        auto mask = unsigned(_mm_movemask_epi8(hits));
        while (mask) {
            walk.candidate(i + __builtin_ctz(mask));
            mask &= mask - 1;
        }
    }
    return i;
}

bool has_avx2() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}
#endif
} // namespace

bool TextScanner::supported(Path path) {
    switch (path) {
    case Path::Scalar:
        return true;
#ifdef CORVANA_X86
    case Path::Sse2:
        return true;
    case Path::Avx2:
        return has_avx2();
#else
    case Path::Sse2:
    case Path::Avx2:
        return false;
#endif
    }
    return false;
}

TextScanner::Path TextScanner::best_path() {
    static const Path best = supported(Path::Avx2)   ? Path::Avx2
                             : supported(Path::Sse2) ? Path::Sse2
                                                     : Path::Scalar;
    return best;
}

void TextScanner::scan(const char* data, const std::vector<qint64>& starts, int first, int last,
                       const char* needle, qsizetype size, quint32 offset,
                       std::vector<quint32>& out) {
    scan(best_path(), data, starts, first, last, needle, size, offset, out);
}

void TextScanner::scan(Path path, const char* data, const std::vector<qint64>& starts, int first,
                       int last, const char* needle, qsizetype size, quint32 offset,
                       std::vector<quint32>& out) {
    if (first >= last || size <= 0 || !supported(path))
        return;
    Walk walk{data, starts, first, last, needle, size, offset, out};
    const qint64 from = starts[size_t(first)];
    const qint64 to = starts[size_t(last)];
    qint64 done = from;
#ifdef CORVANA_X86
    if (path == Path::Avx2)
        done = scan_avx2(walk, from, to);
    else if (path == Path::Sse2)
        done = scan_sse2(walk, from, to);
#endif
    scan_scalar(walk, done, to);
}
