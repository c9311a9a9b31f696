#pragma once

#include <QByteArray>
#include <QTemporaryFile>
#include <string_view>

// Large copied texts, kept in a private temporary file rather than in memory: a few hundred
// pages of copied logs would otherwise be most of what Corvana holds. The file is on disk, in a
// private folder of the user's cache (a tmpfs /tmp would be memory again), and lives as long as
// the run (where the system allows, it has no name at all, so not even a crash leaves it).
class TextSpill {
public:
    TextSpill() = default;
    TextSpill(const TextSpill&) = delete;
    TextSpill& operator=(const TextSpill&) = delete;

    // Appends the bytes; returns their offset, or -1 when the file cannot take them (the caller
    // keeps them in memory then).
    qint64 append(const char* data, qint64 size);
    // The size bytes at offset; false when they cannot be read back whole.
    bool read(qint64 offset, qint64 size, QByteArray* out) const;
    // Whether the size bytes at offset hold needle; reads piece by piece.
    bool contains(qint64 offset, qint64 size, std::string_view needle) const;
    bool equals(qint64 offset, qint64 size, std::string_view bytes) const;
    // Forgets every text and gives the disk space back.
    void clear();
    qint64 bytes() const { return m_size; }

    // Bytes read at a time when searching.
    static constexpr qint64 piece_bytes = qint64(1) << 20;

private:
    bool open();

    mutable QTemporaryFile m_file;
    qint64 m_size = 0;
    bool m_broken = false; // could not be made or written: never tried again
};
