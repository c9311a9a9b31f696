#pragma once

#include "autocomplete/LoadedObject.h"
#include "autocomplete/TextSpill.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <string_view>
#include <vector>

// Every text that went through the clipboard (autocomplete.json) and every image of the images
// folder, as one ordered list, searchable at a million entries.
//
// Texts are kept as UTF-8, back to back in one buffer, so that a search is one pass of memmem
// over it. Texts of spill_bytes or more wait in a temporary file instead (their range in the
// buffer is empty): they are few, and would otherwise be most of the memory. The file is only ever
// appended to for an insertion; deletions and clearing rewrite it through a temporary file and a
// rename, so a crash leaves either the old or the new file.
class AutocompleteStore {
public:
    // The largest file loaded: the texts are held and searched in memory, and 512 MiB is years
    // of copying. A larger file is left as it is and copied texts are kept for the run only.
    static constexpr qint64 max_file_bytes = qint64(512) << 20;
    // The smallest text kept on disk rather than in memory.
    static constexpr qint64 spill_bytes = qint64(32) << 10;

    AutocompleteStore(QString json_path, QString images_dir);

    // Reads the file and the folder; a file that does not parse is kept under a new name and
    // replaced by one that holds every entry recovered from it.
    void load();

    // The entries in store order: the file's texts, the images, then the texts added since.
    int size() const { return int(m_type_ids.size() + size_t(m_images.size())); }
    LoadedObject at(int index) const;
    QString text_at(int index) const;
    bool is_image_at(int index) const;
    // The text as one row shows it: at most max_chars characters, control characters as spaces.
    QString display_text_at(int index, int max_chars) const;

    // Adds a text entry and appends it to the file; false when refused (empty text, an image).
    bool insert(const QString& type, const QString& text);
    // Removes every entry whose text is exactly text; returns how many went.
    int remove_equal(const QString& text);
    // Empties the store and the file (the images folder is the caller's).
    void clear();
    // Lists the images folder again when its number of entries changed; true when it did.
    bool reload_if_images_changed();

    // Indices of the entries containing needle (case-sensitive), in store order. within, when
    // given, holds the only candidates (the result of a search for a part of needle).
    std::vector<quint32> search(const QString& needle,
                                const std::vector<quint32>* within = nullptr) const;

    QString json_path() const { return m_json_path; }
    QString images_dir() const { return m_images_dir; }
    // Whether insertions reach the file (false when it could not be read or written).
    bool file_usable() const { return m_file_usable; }
    QString last_backup() const { return m_last_backup; }
    // Bytes of text held in memory, and in the temporary file.
    qint64 text_bytes() const { return qint64(m_arena.size()); }
    qint64 spilled_bytes() const { return m_spill.bytes(); }

private:
    int text_count() const { return int(m_type_ids.size()); }
    // Maps a store index to (text index, -1) or (-1, image index).
    void locate(int index, int* text, int* image) const;
    void append_text(const char* type, qsizetype type_size, const char* text, qsizetype text_size);
    quint16 type_id(const char* type, qsizetype size);
    void load_file(const QFileInfo& info);
    bool open_for_append_after_failure();
    QString decode(int text) const;
    // A spilled text's place in the temporary file, or null.
    struct Spilled {
        int text;
        qint64 offset;
        qint64 size;
    };
    const Spilled* spilled(int text) const;
    // Text's bytes: a view of the buffer, or read into scratch (empty when unreadable).
    std::string_view bytes_of(int text, QByteArray* scratch) const;
    void spilled_matches(int first, int last, std::string_view needle, quint32 offset,
                         std::vector<quint32>& out) const;
    void load_images();
    int count_image_dir_entries() const;
    QByteArray serialize() const;
    bool rewrite(const char* why);
    bool append_to_file(const QByteArray& element);
    bool open_for_append();
    void keep_original(const char* why);

    // For each byte value, one bit per text holding it: a search for one character, the first
    // keystroke of every search, reads these instead of every byte.
    void index_bytes(int text, std::string_view bytes);
    void texts_with_byte(quint8 byte, int first, int last, quint32 offset,
                         std::vector<quint32>& out) const;
    void rebuild_byte_index();
    std::vector<std::vector<quint64>> m_byte_bits;

    QString m_json_path;
    QString m_images_dir;

    std::vector<char> m_arena;       // texts, UTF-8, back to back
    std::vector<qint64> m_starts;    // m_starts[i] .. m_starts[i+1] is text i
    std::vector<quint16> m_type_ids; // index into m_type_names per text
    std::vector<Spilled> m_spilled;  // by text index
    TextSpill m_spill;
    QStringList m_type_names;
    std::vector<QByteArray> m_type_names_utf8;

    QStringList m_images;
    int m_images_at = 0; // the images come before this text index
    int m_image_count = -1;

    QFile m_file;
    qint64 m_file_size = 0;
    bool m_file_usable = false;
    QString m_last_backup;
    bool m_lossy_load = false;  // the file held something that is not kept as it stands
    bool m_keep_failed = false; // an unreadable original could not be put aside: never write
};
