#pragma once

#include <QtGlobal>
#include <vector>

// Finds which of many texts, stored back to back, contain a needle: one pass over the bytes
// that compares the needle's first and last byte at 32 (or 16) positions at once, so a search
// through a hundred megabytes of copied text fits between two keystrokes.
class TextScanner {
public:
    // The block widths; each gives the same answers, the widest the CPU has is used.
    enum class Path { Scalar, Sse2, Avx2 };

    // Texts first..last-1 span starts[i]..starts[i+1] of data. Appends the index of every
    // text holding needle, plus offset, to out, in order.
    static void scan(const char* data, const std::vector<qint64>& starts, int first, int last,
                     const char* needle, qsizetype size, quint32 offset, std::vector<quint32>& out);
    // The same through one path, which must be supported.
    static void scan(Path path, const char* data, const std::vector<qint64>& starts, int first,
                     int last, const char* needle, qsizetype size, quint32 offset,
                     std::vector<quint32>& out);
    static bool supported(Path path);
    static Path best_path();
};
