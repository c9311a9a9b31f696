#pragma once

#include "autocomplete/AutocompleteJson.h"

#include <QFile>
#include <QString>
#include <QTimer>
#include <functional>

class QSaveFile;

// autocomplete.json on disk: held open and appended to in place, written whole through a
// temporary file and a rename, and checked before each write to be still the file at its name,
// at the size it was left at. An append reaches the disk within sync_delay_ms (one sync on a
// timer, not one per copy); a file written whole is on disk, its name too, when replace()
// returns. Every failure is logged here.
class AutocompleteFile {
public:
    static constexpr int sync_delay_ms = 1500;

    // What the name leads to, compared with the file held.
    enum class State {
        Held,     // the file held, at the size it was left at
        Closed,   // none held (not made yet, or given up after a failed write)
        Replaced, // another file, or one that cannot be looked at
        Removed,  // nothing
        Resized,  // the file held, but another writer changed its size
    };

    explicit AutocompleteFile(QString path);
    ~AutocompleteFile();
    AutocompleteFile(const AutocompleteFile&) = delete;
    AutocompleteFile& operator=(const AutocompleteFile&) = delete;

    const QString& path() const { return m_path; }
    // Holds the file at the path, size bytes in our layout, for appending; false when it cannot
    // be opened for writing or has another size.
    bool adopt(qint64 size);
    void close();
    State state() const;

    // Writes elements (one or more array elements in our layout, joined by ",\n") before the
    // closing bracket, in one write. On failure the file is left as it was; when even that
    // fails it is let go (Closed).
    bool append(const QByteArray& elements);
    // Writes the whole file anew through fill, then holds it. False (and the old file stays)
    // when fill or the write fails.
    bool replace(const std::function<bool(QSaveFile&)>& fill, const char* why);
    // Renames the file at the path to path.tag-TIME beside it; the new name, or empty.
    QString set_aside(const char* tag);

    // Hands the open file's size bytes to use, mapped where the system allows; false when they
    // cannot be read whole. The file is closed afterwards: Windows neither renames nor replaces
    // an open or mapped file.
    static bool read_whole(QFile& file, qint64 size, const std::function<void(const char*)>& use);
    // Hands sink the newest entries of the file at path (size bytes) that take at most max_bytes
    // as written; returns how many entries it holds, or -1 when it cannot be read.
    static qint64 read_newest(const QString& path, qint64 size, qint64 max_bytes,
                              const AutocompleteJson::Sink& sink);

private:
    void sync();

    QString m_path;
    QFile m_file;
    qint64 m_size = 0;
    QTimer m_sync_timer;
};
