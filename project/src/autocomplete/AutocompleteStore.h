#pragma once

#include "autocomplete/AutocompleteFile.h"
#include "autocomplete/ByteIndex.h"
#include "autocomplete/LoadedObject.h"
#include "autocomplete/TextSpill.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <functional>
#include <string_view>
#include <vector>

// Every text that went through the clipboard (autocomplete.json) and every image of the images
// folder, as one ordered list, searchable at a million entries.
//
// Texts are kept as UTF-8, back to back in one buffer, so that a search is one pass of memmem
// over it. Texts of spill_bytes or more wait in a temporary file instead (their range in the
// buffer is empty): they are few, and would otherwise be most of the memory. The file is only ever
// appended to for an insertion; deletions and clearing rewrite it through a temporary file and a
// rename, so a crash leaves either the old or the new file (see AutocompleteFile).
//
// Other writers (an editor, a second instance on another display) may change the file. Before
// each write the store checks that the file is the one it left; when not, the file's entries are
// read back, those of ours it lacks are added, and the result is written whole: neither side's
// entries are lost.
class AutocompleteStore {
public:
    // The largest file loaded: the texts are held and searched in memory, and 512 MiB is years
    // of copying. A larger file is kept whole under a new name beside it, and its newest entries,
    // up to half this size, start the new file (the user is told).
    static constexpr qint64 max_file_bytes = qint64(512) << 20;
    // The smallest text kept on disk rather than in memory.
    static constexpr qint64 spill_bytes = qint64(32) << 10;

    // size_limit, at most max_file_bytes, is for tests.
    AutocompleteStore(QString json_path, QString images_dir, qint64 size_limit = max_file_bytes);
    // Entries a failed write left waiting get one more try.
    ~AutocompleteStore();

    // Reads the file and the folder; a file that does not parse is kept under a new name and
    // replaced by one that holds every entry recovered from it.
    void load();

    // The entries in store order: the file's texts, the images, then the texts added since.
    int size() const { return int(m_texts.type_ids.size() + size_t(m_images.size())); }
    LoadedObject at(int index) const;
    QString text_at(int index) const;
    bool is_image_at(int index) const;
    // The text as one row shows it: at most max_chars characters, control characters as spaces.
    QString display_text_at(int index, int max_chars) const;

    // Adds a text entry and appends it to the file, with any entries a failed write left
    // waiting; false when refused (empty text, an image).
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
    qint64 text_bytes() const { return qint64(m_texts.arena.size()); }
    qint64 spilled_bytes() const { return m_spill.bytes(); }
    // How often the file's entries were read anew (at load, or after another program changed
    // the file): every index may have moved since.
    int reloads() const { return m_reloads; }
    // Where to tell the user what they should know about the file (it was set aside because it
    // grew too large); what came before a handler is handed to it when set.
    void set_notice_handler(std::function<void(const QString& text)> handler);

private:
    int text_count() const { return int(m_texts.type_ids.size()); }
    // Maps a store index to (text index, -1) or (-1, image index).
    void locate(int index, int* text, int* image) const;
    void append_text(const char* type, qsizetype type_size, const char* text, qsizetype text_size);
    quint16 type_id(const char* type, qsizetype size);
    // Reads the file's entries; returns why it must be written anew, or null.
    const char* read_back();
    const char* load_file(const QFileInfo& info);
    const char* carry_over_full_file(qint64 size);
    QString decode(int text) const;
    // A spilled text's place in the temporary file, or null.
    struct Spilled {
        int text;
        qint64 offset;
        qint64 size;
    };
    struct Texts {
        std::vector<char> arena{};       // texts, UTF-8, back to back
        std::vector<qint64> starts{0};   // starts[i] .. starts[i+1] is text i
        std::vector<quint16> type_ids{}; // index into m_type_names per text
        std::vector<Spilled> spilled{};  // by text index
        const Spilled* find_spilled(int text) const;
    };
    // Takes the texts out, as when the file's are read back while ours wait aside.
    Texts take_texts();
    const Spilled* spilled(int text) const { return m_texts.find_spilled(text); }
    // Text's bytes: a view of the buffer, or read into scratch (empty when unreadable).
    std::string_view bytes_in(const Texts& texts, int text, QByteArray* scratch) const;
    std::string_view bytes_of(int text, QByteArray* scratch) const {
        return bytes_in(m_texts, text, scratch);
    }
    void spilled_matches(int first, int last, std::string_view needle, quint32 offset,
                         std::vector<quint32>& out) const;
    void load_images();
    int count_image_dir_entries() const;
    bool rewrite(const char* why);
    void write_new_texts();
    void merge_with_file(AutocompleteFile::State state);
    int add_missing(const Texts& ours);
    void keep_original(const char* why);
    void notice(const QString& text);
    void rebuild_byte_index();

    ByteIndex m_byte_index;

    QString m_json_path;
    QString m_images_dir;

    Texts m_texts;
    TextSpill m_spill;
    QStringList m_type_names;
    std::vector<QByteArray> m_type_names_utf8;

    QStringList m_images;
    int m_images_at = 0; // the images come before this text index
    int m_image_count = -1;

    AutocompleteFile m_file;
    qint64 m_size_limit;
    int m_on_disk = 0; // texts before this one are in the file
    bool m_file_usable = false;
    QString m_last_backup;
    bool m_lossy_load = false; // the file held something that is not kept as it stands
    // The file is left as it is, never written: it cannot be read, or an unreadable or full
    // one could not be put aside.
    bool m_leave_file = false;
    int m_reloads = 0;
    std::function<void(const QString&)> m_notice_handler;
    QStringList m_notices; // told before there was a handler
};
