#include "autocomplete/AutocompleteStore.h"

#include "autocomplete/AutocompleteJson.h"
#include "autocomplete/TextMatcher.h"
#include "autocomplete/TextScanner.h"
#include "common/AppLog.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

AutocompleteStore::AutocompleteStore(QString json_path, QString images_dir, qint64 size_limit)
    : m_json_path(std::move(json_path)), m_images_dir(std::move(images_dir)), m_file(m_json_path),
      m_size_limit(std::min(size_limit, max_file_bytes)) {
    type_id("text", 4);
}

AutocompleteStore::~AutocompleteStore() {
    m_notice_handler = nullptr; // its owner may be gone already
    if (m_file_usable && m_on_disk < text_count())
        write_new_texts();
}

void AutocompleteStore::set_notice_handler(std::function<void(const QString&)> handler) {
    m_notice_handler = std::move(handler);
    for (const QString& text : std::exchange(m_notices, {}))
        m_notice_handler(text);
}

void AutocompleteStore::notice(const QString& text) {
    APP_LOG(text);
    if (m_notice_handler)
        m_notice_handler(text);
    else
        m_notices.append(text);
}

quint16 AutocompleteStore::type_id(const char* type, qsizetype size) {
    for (size_t i = 0; i < m_type_names_utf8.size(); ++i) {
        const QByteArray& name = m_type_names_utf8[i];
        if (name.size() == size && std::memcmp(name.constData(), type, size_t(size)) == 0)
            return quint16(i);
    }
    if (m_type_names_utf8.size() > 0xFFFF) {
        m_lossy_load = true;
        return 0;
    }
    m_type_names_utf8.emplace_back(type, int(size));
    m_type_names.append(QString::fromUtf8(type, int(size)));
    return quint16(m_type_names_utf8.size() - 1);
}

void AutocompleteStore::append_text(const char* type, qsizetype type_size, const char* text,
                                    qsizetype text_size) {
    const int index = text_count();
    const qint64 spilled_at = text_size >= spill_bytes ? m_spill.append(text, text_size) : -1;
    if (spilled_at >= 0)
        m_texts.spilled.push_back({index, spilled_at, text_size});
    else
        m_texts.arena.insert(m_texts.arena.end(), text, text + text_size);
    m_texts.starts.push_back(qint64(m_texts.arena.size()));
    m_texts.type_ids.push_back(type_id(type, type_size));
    m_byte_index.add(index, std::string_view(text, size_t(text_size)));
}

const AutocompleteStore::Spilled* AutocompleteStore::Texts::find_spilled(int text) const {
    const auto it = std::lower_bound(spilled.begin(), spilled.end(), text,
                                     [](const Spilled& s, int t) { return s.text < t; });
    return it != spilled.end() && it->text == text ? &*it : nullptr;
}

std::string_view AutocompleteStore::bytes_in(const Texts& texts, int text,
                                             QByteArray* scratch) const {
    if (const Spilled* s = texts.find_spilled(text)) {
        m_spill.read(s->offset, s->size, scratch);
        return std::string_view(scratch->constData(), size_t(scratch->size()));
    }
    const qint64 begin = texts.starts[size_t(text)];
    return std::string_view(texts.arena.data() + begin,
                            size_t(texts.starts[size_t(text) + 1] - begin));
}

void AutocompleteStore::rebuild_byte_index() {
    m_byte_index.clear();
    QByteArray scratch;
    for (int text = 0; text < text_count(); ++text)
        m_byte_index.add(text, bytes_of(text, &scratch));
}

AutocompleteStore::Texts AutocompleteStore::take_texts() {
    m_byte_index.clear();
    return std::exchange(m_texts, Texts());
}

void AutocompleteStore::load() {
    take_texts();
    m_spill.clear();
    m_images.clear();
    if (const char* why = read_back())
        rewrite(why);
    m_on_disk = text_count();
    ++m_reloads;
    m_images_at = text_count();
    m_image_count = count_image_dir_entries();
    load_images();
}

const char* AutocompleteStore::read_back() {
    m_file.close();
    m_file_usable = false;
    m_lossy_load = false;
    m_leave_file = false;
    const QFileInfo info(m_json_path);
    if (info.exists())
        return load_file(info);
    // Made with the first entry: no empty file for a store never used.
    qDebug() << "JSON File does not exist";
    m_file_usable = true;
    return nullptr;
}

const char* AutocompleteStore::load_file(const QFileInfo& info) {
    QFile file(m_json_path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        APP_LOG(QStringLiteral("%1 cannot be read (%2): copied texts are kept for this run only, "
                               "and the file is left as it is")
                    .arg(m_json_path,
                         info.isFile() ? file.errorString() : QStringLiteral("not a file")));
        m_leave_file = true;
        return nullptr;
    }
    const qint64 size = file.size();
    if (size > m_size_limit) {
        file.close();
        return carry_over_full_file(size);
    }
    if (size == 0) {
        file.close(); // an open file cannot be replaced on Windows
        return "it was empty";
    }
    m_texts.arena.reserve(size_t(size));
    m_texts.starts.reserve(size_t(size / 64));
    m_texts.type_ids.reserve(size_t(size / 64));
    AutocompleteJson::Result result;
    const bool read = AutocompleteFile::read_whole(file, size, [&](const char* data) {
        result = AutocompleteJson::parse(
            data, size,
            [this](const char* type, qsizetype type_size, const char* text, qsizetype text_size) {
                if (text_size == 0) {
                    m_lossy_load = true;
                    return;
                }
                append_text(type, type_size, text, text_size);
            });
    });
    if (!read) {
        APP_LOG(QStringLiteral("%1 could not be read whole (%2); it is left as it is")
                    .arg(m_json_path, file.errorString()));
        m_leave_file = true;
        return nullptr;
    }
    // Room was made for the whole file, but the large texts went to the temporary file.
    if (m_texts.arena.capacity() - m_texts.arena.size() > (size_t(1) << 20))
        m_texts.arena.shrink_to_fit();

    if (result.complete && result.canonical && !m_lossy_load) {
        m_file_usable = m_file.adopt(size);
        return nullptr;
    }
    if (!result.complete) {
        qDebug().noquote() << "invalid json document " + result.error;
        APP_LOG(QStringLiteral("%1 does not parse (%2 at byte %3); %4 complete entries recovered")
                    .arg(m_json_path, result.error)
                    .arg(result.error_offset)
                    .arg(text_count()));
        keep_original("it does not parse");
    } else if (!result.lossless || m_lossy_load) {
        keep_original("it holds content that is not kept as it stands");
    }
    return "its layout was not the one written here";
}

const char* AutocompleteStore::carry_over_full_file(qint64 size) {
    const QString limit = QLocale::system().formattedDataSize(m_size_limit);
    const QString aside = m_file.set_aside("full");
    if (aside.isEmpty()) {
        notice(QStringLiteral("%1 has grown past the %2 loaded and could not be renamed to make "
                              "room: copied texts are kept for this run only.")
                   .arg(m_json_path, limit));
        m_leave_file = true;
        return nullptr;
    }
    m_last_backup = aside;
    // Half the limit: room to grow for as long again.
    const qint64 entries = AutocompleteFile::read_newest(
        aside, size, m_size_limit / 2,
        [this](const char* type, qsizetype type_size, const char* text, qsizetype text_size) {
            if (text_size > 0)
                append_text(type, type_size, text, text_size);
        });
    notice(QStringLiteral("%1 has grown past the %2 loaded. It is kept whole as %3; %4 a new %1, "
                          "which copied texts go to from now on.")
               .arg(m_json_path, limit, aside,
                    entries >= 0
                        ? QStringLiteral("its newest %1 of %2 entries were carried over into")
                              .arg(text_count())
                              .arg(entries)
                        : QStringLiteral("it could not be read back, so nothing is loaded from "
                                         "it, and copied texts go to")));
    return "the full file was set aside";
}

void AutocompleteStore::keep_original(const char* why) {
    const QString backup = m_file.set_aside("unreadable");
    if (backup.isEmpty()) {
        APP_LOG(QStringLiteral("%1 could not be kept aside; it is left untouched and copied texts "
                               "are kept for this run only")
                    .arg(m_json_path));
        m_leave_file = true;
        return;
    }
    m_last_backup = backup;
    APP_LOG(QStringLiteral("%1 was kept as %2 because %3")
                .arg(m_json_path, backup, QString::fromLatin1(why)));
}

bool AutocompleteStore::rewrite(const char* why) {
    if (m_leave_file)
        return false;
    bool unreadable = false;
    m_file_usable = m_file.replace(
        [&](QSaveFile& out) {
            // In pieces: a million entries need not exist twice in memory.
            QByteArray chunk = QByteArrayLiteral("[\n");
            QByteArray scratch;
            const int n = text_count();
            for (int i = 0; i < n; ++i) {
                if (i > 0)
                    chunk.append(",\n", 2);
                const QByteArray& type = m_type_names_utf8[m_texts.type_ids[size_t(i)]];
                const std::string_view text = bytes_of(i, &scratch);
                // A large text the temporary file lost: the old file still holds it.
                if ((unreadable = text.empty()))
                    return false;
                AutocompleteJson::append_element(chunk, type.constData(), type.size(), text.data(),
                                                 qsizetype(text.size()));
                if (chunk.size() > (1 << 20)) {
                    if (out.write(chunk) != chunk.size())
                        return false;
                    chunk.clear();
                }
            }
            chunk.append(n > 0 ? "\n]\n" : "]\n");
            return out.write(chunk) == chunk.size();
        },
        why);
    if (unreadable)
        APP_LOG(QStringLiteral("%1 is not rewritten: a copied text could not be read back")
                    .arg(m_json_path));
    if (m_file_usable)
        m_on_disk = text_count();
    return m_file_usable;
}

void AutocompleteStore::write_new_texts() {
    const AutocompleteFile::State state = m_file.state();
    if (state != AutocompleteFile::State::Held) {
        merge_with_file(state);
        return;
    }
    // With the texts a failed write left waiting.
    QByteArray elements;
    QByteArray scratch;
    for (int i = m_on_disk; i < text_count(); ++i) {
        const QByteArray& type = m_type_names_utf8[m_texts.type_ids[size_t(i)]];
        const std::string_view text = bytes_of(i, &scratch);
        if (text.empty())
            continue; // a large text the temporary file lost
        if (!elements.isEmpty())
            elements.append(",\n", 2);
        AutocompleteJson::append_element(elements, type.constData(), type.size(), text.data(),
                                         qsizetype(text.size()));
    }
    if (elements.isEmpty() || m_file.append(elements))
        m_on_disk = text_count();
}

void AutocompleteStore::merge_with_file(AutocompleteFile::State state) {
    const bool exists = QFileInfo::exists(m_json_path);
    const Texts ours = take_texts();
    const char* why = read_back();
    const int theirs = text_count();
    const int added = add_missing(ours);
    // Ours go after theirs in place: Windows refuses a rename over a file held open elsewhere.
    const bool append = !why && added > 0 && m_file.state() == AutocompleteFile::State::Held;
    if (added > 0 && !why)
        why = exists ? "another writer's entries were merged with ours" : "it was not there";
    if (why && !append)
        rewrite(why);
    m_on_disk = append ? theirs : text_count();
    if (append)
        write_new_texts();
    m_images_at = text_count();
    ++m_reloads;
    if (state == AutocompleteFile::State::Closed && !exists)
        return; // the first entry of a new file
    const char* what = state == AutocompleteFile::State::Replaced  ? "another program replaced it"
                       : state == AutocompleteFile::State::Removed ? "another program removed it"
                       : state == AutocompleteFile::State::Resized ? "another program wrote to it"
                                                                   : "it was not open for writing";
    APP_LOG(QStringLiteral("%1 is not the file this program left (%2): entries read back: %3, "
                           "entries of ours it lacked, added: %4%5")
                .arg(m_json_path, QLatin1String(what))
                .arg(theirs)
                .arg(added)
                .arg(m_file_usable ? QString()
                                   : QStringLiteral(", for this run only: it cannot be written")));
}

int AutocompleteStore::add_missing(const Texts& ours) {
    // Each entry read back answers for one equal entry of ours; the others are added.
    TextMatcher theirs(text_count(), [this](int i, quint16* type, QByteArray* scratch) {
        *type = m_texts.type_ids[size_t(i)];
        return bytes_of(i, scratch);
    });
    QByteArray scratch;
    int added = 0;
    for (size_t j = 0; j < ours.type_ids.size(); ++j) {
        const std::string_view bytes = bytes_in(ours, int(j), &scratch);
        const quint16 type = ours.type_ids[j];
        // Empty: a large text the temporary file lost.
        if (bytes.empty() || theirs.match(type, bytes))
            continue;
        const QByteArray& name = m_type_names_utf8[type];
        append_text(name.constData(), name.size(), bytes.data(), qsizetype(bytes.size()));
        ++added;
    }
    return added;
}

bool AutocompleteStore::insert(const QString& type, const QString& text) {
    if (text.isEmpty() || type == QLatin1String("image"))
        return false;
    const QByteArray utf8_text = text.toUtf8();
    const QByteArray utf8_type = type.toUtf8();
    append_text(utf8_type.constData(), utf8_type.size(), utf8_text.constData(), utf8_text.size());
    if (!m_file_usable) {
        qDebug().noquote() << "autocomplete entry kept for this run only";
        return true;
    }
    write_new_texts();
    return true;
}

int AutocompleteStore::remove_equal(const QString& text) {
    // What another program added stays; rewriting from memory alone would drop it.
    if (m_file_usable) {
        const AutocompleteFile::State state = m_file.state();
        if (state != AutocompleteFile::State::Held)
            merge_with_file(state);
    }
    const QByteArray utf8 = text.toUtf8();
    const std::string_view wanted(utf8.constData(), size_t(utf8.size()));
    std::vector<char> arena;
    std::vector<qint64> starts{0};
    std::vector<quint16> types;
    std::vector<Spilled> kept_spilled;
    arena.reserve(m_texts.arena.size());
    int removed = 0;
    int images_at = m_images_at;
    for (int i = 0; i < text_count(); ++i) {
        const char* begin = m_texts.arena.data() + m_texts.starts[size_t(i)];
        const qint64 size = m_texts.starts[size_t(i) + 1] - m_texts.starts[size_t(i)];
        const Spilled* on_disk = spilled(i);
        const bool equal = on_disk ? m_spill.equals(on_disk->offset, on_disk->size, wanted)
                                   : std::string_view(begin, size_t(size)) == wanted;
        if (equal) {
            ++removed;
            if (i < m_images_at)
                --images_at;
            continue;
        }
        // A deleted large text stays in the temporary file until the store is cleared.
        if (on_disk)
            kept_spilled.push_back({int(types.size()), on_disk->offset, on_disk->size});
        arena.insert(arena.end(), begin, begin + size);
        starts.push_back(qint64(arena.size()));
        types.push_back(m_texts.type_ids[size_t(i)]);
    }
    removed += int(m_images.removeAll(text));
    if (removed == 0)
        return 0;
    m_texts.arena.swap(arena);
    m_texts.starts.swap(starts);
    m_texts.type_ids.swap(types);
    m_texts.spilled.swap(kept_spilled);
    m_images_at = images_at;
    rebuild_byte_index();
    rewrite("entries were deleted");
    return removed;
}

void AutocompleteStore::clear() {
    m_texts.arena.clear();
    m_texts.arena.shrink_to_fit();
    m_texts.starts.assign(1, 0);
    m_texts.type_ids.clear();
    m_texts.spilled.clear();
    m_spill.clear();
    m_byte_index.clear();
    m_images.clear();
    m_images_at = 0;
    m_on_disk = 0;
    rewrite("the store was cleared");
}

int AutocompleteStore::count_image_dir_entries() const {
    int count = 0;
    QDirIterator it(m_images_dir,
                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

void AutocompleteStore::load_images() {
    const QDir dir(m_images_dir);
    if (!dir.exists()) {
        m_images.clear();
        return;
    }
    if (!QFileInfo(m_images_dir).isReadable())
        APP_LOG(QStringLiteral("The images folder %1 cannot be read").arg(m_images_dir));
    m_images = dir.entryList({QStringLiteral("*.*")}, QDir::Files, QDir::Unsorted);
}

bool AutocompleteStore::reload_if_images_changed() {
    const int count = count_image_dir_entries();
    if (count == m_image_count)
        return false;
    m_image_count = count;
    m_images_at = text_count();
    load_images();
    return true;
}

void AutocompleteStore::locate(int index, int* text, int* image) const {
    const int images = m_images.size();
    *text = -1;
    *image = -1;
    if (index < m_images_at)
        *text = index;
    else if (index < m_images_at + images)
        *image = index - m_images_at;
    else
        *text = index - images;
}

QString AutocompleteStore::decode(int text) const {
    // Every text fits an int: the file is at most max_file_bytes, and one inserted text came
    // from a QByteArray.
    static_assert(max_file_bytes < INT_MAX, "a loaded text must fit an int");
    QByteArray scratch;
    const std::string_view bytes = bytes_of(text, &scratch);
    return QString::fromUtf8(bytes.data(), int(bytes.size()));
}

LoadedObject AutocompleteStore::at(int index) const {
    int text, image;
    locate(index, &text, &image);
    if (image >= 0)
        return LoadedObject(QStringLiteral("image"), m_images.at(image));
    return LoadedObject(m_type_names.at(m_texts.type_ids[size_t(text)]), decode(text));
}

QString AutocompleteStore::text_at(int index) const {
    int text, image;
    locate(index, &text, &image);
    return image >= 0 ? m_images.at(image) : decode(text);
}

QString AutocompleteStore::display_text_at(int index, int max_chars) const {
    int text, image;
    locate(index, &text, &image);
    if (image >= 0)
        return m_images.at(image);
    const qint64 begin = m_texts.starts[size_t(text)];
    const Spilled* on_disk = spilled(text);
    const qint64 whole = on_disk ? on_disk->size : m_texts.starts[size_t(text) + 1] - begin;
    // Enough bytes for max_chars characters; a cut sequence at the end decodes to one U+FFFD.
    const qint64 size = std::min<qint64>(whole, qint64(max_chars) * 4);
    QByteArray scratch;
    const char* data = m_texts.arena.data() + begin;
    if (on_disk) {
        m_spill.read(on_disk->offset, size, &scratch);
        data = scratch.constData();
    }
    QString shown = QString::fromUtf8(data, on_disk ? scratch.size() : int(size));
    const bool cut = size < whole || shown.size() > max_chars;
    shown.truncate(max_chars);
    for (QChar& c : shown) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    if (cut)
        shown += QChar(0x2026);
    return shown;
}

bool AutocompleteStore::is_image_at(int index) const {
    int text, image;
    locate(index, &text, &image);
    return image >= 0;
}

std::vector<quint32> AutocompleteStore::search(const QString& needle,
                                               const std::vector<quint32>* within) const {
    std::vector<quint32> out;
    const int total = size();
    if (needle.isEmpty()) {
        out.resize(size_t(total));
        for (int i = 0; i < total; ++i)
            out[size_t(i)] = quint32(i);
        return out;
    }
    const QByteArray utf8 = needle.toUtf8();
    const int images = m_images.size();
    // Checking candidates one by one only pays when they are few; a pass over every byte
    // beats a call per text otherwise.
    if (within && within->size() < size_t(total) / 16) {
        out.reserve(within->size());
        for (const quint32 index : *within) {
            int text, image;
            locate(int(index), &text, &image);
            if (image >= 0) {
                if (m_images.at(image).contains(needle))
                    out.push_back(index);
                continue;
            }
            const std::string_view wanted(utf8.constData(), size_t(utf8.size()));
            if (const Spilled* on_disk = spilled(text)) {
                if (m_spill.contains(on_disk->offset, on_disk->size, wanted))
                    out.push_back(index);
                continue;
            }
            const qint64 begin = m_texts.starts[size_t(text)];
            // string_view rather than memmem, which not every C library has (MinGW's lacks it).
            const std::string_view haystack(m_texts.arena.data() + begin,
                                            size_t(m_texts.starts[size_t(text) + 1] - begin));
            if (haystack.find(wanted) != std::string_view::npos)
                out.push_back(index);
        }
        return out;
    }
    if (utf8.size() == 1)
        out.reserve(size_t(total));
    const auto texts = [&](int first, int last, quint32 offset) {
        if (utf8.size() == 1) {
            m_byte_index.texts_with(quint8(utf8[0]), first, last, offset, out);
            return;
        }
        const auto before = out.size();
        TextScanner::scan(m_texts.arena.data(), m_texts.starts, first, last, utf8.constData(),
                          utf8.size(), offset, out);
        const auto in_memory = out.size();
        spilled_matches(first, last, std::string_view(utf8.constData(), size_t(utf8.size())),
                        offset, out);
        std::inplace_merge(out.begin() + qptrdiff(before), out.begin() + qptrdiff(in_memory),
                           out.end());
    };
    texts(0, m_images_at, 0);
    for (int i = 0; i < images; ++i) {
        if (m_images.at(i).contains(needle))
            out.push_back(quint32(m_images_at + i));
    }
    texts(m_images_at, text_count(), quint32(images));
    return out;
}

void AutocompleteStore::spilled_matches(int first, int last, std::string_view needle,
                                        quint32 offset, std::vector<quint32>& out) const {
    auto it = std::lower_bound(m_texts.spilled.begin(), m_texts.spilled.end(), first,
                               [](const Spilled& s, int t) { return s.text < t; });
    for (; it != m_texts.spilled.end() && it->text < last; ++it) {
        if (m_spill.contains(it->offset, it->size, needle))
            out.push_back(quint32(it->text) + offset);
    }
}
