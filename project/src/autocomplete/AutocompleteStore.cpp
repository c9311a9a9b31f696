#include "autocomplete/AutocompleteStore.h"

#include "app/AppLog.h"
#include "autocomplete/AutocompleteJson.h"
#include "autocomplete/TextScanner.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace {
const auto owner_only = QFile::ReadOwner | QFile::WriteOwner;

} // namespace

AutocompleteStore::AutocompleteStore(QString json_path, QString images_dir)
    : m_json_path(std::move(json_path)), m_images_dir(std::move(images_dir)) {
    m_starts.push_back(0);
    type_id("text", 4);
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
        m_spilled.push_back({index, spilled_at, text_size});
    else
        m_arena.insert(m_arena.end(), text, text + text_size);
    m_starts.push_back(qint64(m_arena.size()));
    m_type_ids.push_back(type_id(type, type_size));
    index_bytes(index, std::string_view(text, size_t(text_size)));
}

const AutocompleteStore::Spilled* AutocompleteStore::spilled(int text) const {
    const auto it = std::lower_bound(m_spilled.begin(), m_spilled.end(), text,
                                     [](const Spilled& s, int t) { return s.text < t; });
    return it != m_spilled.end() && it->text == text ? &*it : nullptr;
}

std::string_view AutocompleteStore::bytes_of(int text, QByteArray* scratch) const {
    if (const Spilled* s = spilled(text)) {
        m_spill.read(s->offset, s->size, scratch);
        return std::string_view(scratch->constData(), size_t(scratch->size()));
    }
    const qint64 begin = m_starts[size_t(text)];
    return std::string_view(m_arena.data() + begin, size_t(m_starts[size_t(text) + 1] - begin));
}

void AutocompleteStore::index_bytes(int text, std::string_view bytes) {
    quint64 seen[4] = {0, 0, 0, 0};
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    for (; p < end; ++p)
        seen[*p >> 6] |= quint64(1) << (*p & 63);
    if (m_byte_bits.empty())
        m_byte_bits.resize(256);
    const size_t word = size_t(text) >> 6;
    const quint64 bit = quint64(1) << (text & 63);
    for (int part = 0; part < 4; ++part) {
        for (quint64 bits = seen[part]; bits; bits &= bits - 1) {
            std::vector<quint64>& set = m_byte_bits[size_t(part * 64 + __builtin_ctzll(bits))];
            if (set.size() <= word)
                set.resize(std::max(word + 1, set.size() * 2), 0);
            set[word] |= bit;
        }
    }
}

void AutocompleteStore::rebuild_byte_index() {
    m_byte_bits.clear();
    QByteArray scratch;
    for (int text = 0; text < text_count(); ++text)
        index_bytes(text, bytes_of(text, &scratch));
}

void AutocompleteStore::load() {
    m_arena.clear();
    m_starts.assign(1, 0);
    m_type_ids.clear();
    m_spilled.clear();
    m_spill.clear();
    m_byte_bits.clear();
    m_images.clear();
    m_file.close();
    m_file_usable = false;
    m_lossy_load = false;
    m_keep_failed = false;

    const QFileInfo info(m_json_path);
    if (!info.exists()) {
        // Made with the first entry: no empty file for a store never used.
        qDebug() << "JSON File does not exist";
        m_file_usable = true;
    } else {
        load_file(info);
    }
    m_images_at = text_count();
    m_image_count = count_image_dir_entries();
    load_images();
}

void AutocompleteStore::load_file(const QFileInfo& info) {
    QFile file(m_json_path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        APP_LOG(QStringLiteral("%1 cannot be read (%2): copied texts are kept for this run only, "
                               "and the file is left as it is")
                    .arg(m_json_path,
                         info.isFile() ? file.errorString() : QStringLiteral("not a file")));
        return;
    }
    const qint64 size = file.size();
    if (size > max_file_bytes) {
        APP_LOG(QStringLiteral("%1 holds %2 bytes, more than the %3 loaded: copied texts are kept "
                               "for this run only, and the file is left as it is")
                    .arg(m_json_path)
                    .arg(size)
                    .arg(max_file_bytes));
        return;
    }
    if (size == 0) {
        file.close(); // an open file cannot be replaced on Windows
        rewrite("it was empty");
        return;
    }
    QByteArray read_copy;
    uchar* mapped = file.map(0, size);
    const char* data = reinterpret_cast<const char*>(mapped);
    if (!data) {
        read_copy = file.readAll();
        data = read_copy.constData();
        if (read_copy.size() != size) {
            APP_LOG(QStringLiteral("%1 could not be read whole (%2); it is left as it is")
                        .arg(m_json_path, file.errorString()));
            return;
        }
    }
    m_arena.reserve(size_t(size));
    m_starts.reserve(size_t(size / 64));
    m_type_ids.reserve(size_t(size / 64));
    const auto result = AutocompleteJson::parse(
        data, size,
        [this](const char* type, qsizetype type_size, const char* text, qsizetype text_size) {
            if (text_size == 0) {
                m_lossy_load = true;
                return;
            }
            append_text(type, type_size, text, text_size);
        });
    // Closing leaves the view mapped, and Windows neither renames nor replaces a mapped file.
    if (mapped)
        file.unmap(mapped);
    file.close();
    read_copy.clear();
    // Room was made for the whole file, but the large texts went to the temporary file.
    if (m_arena.capacity() - m_arena.size() > (size_t(1) << 20))
        m_arena.shrink_to_fit();

    if (result.complete && result.canonical && !m_lossy_load) {
        m_file_size = size;
        m_file_usable = open_for_append();
        return;
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
    rewrite("its layout was not the one written here");
}

void AutocompleteStore::keep_original(const char* why) {
    const QString base = m_json_path + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString backup = base;
    for (int n = 2; QFileInfo::exists(backup); ++n)
        backup = base + QStringLiteral("~%1").arg(n);
    if (!QFile::rename(m_json_path, backup)) {
        APP_LOG(QStringLiteral("%1 could not be kept aside as %2; it is left untouched and "
                               "copied texts are kept for this run only")
                    .arg(m_json_path, backup));
        m_keep_failed = true;
        return;
    }
    m_last_backup = backup;
    APP_LOG(QStringLiteral("%1 was kept as %2 because %3")
                .arg(m_json_path, backup, QString::fromLatin1(why)));
}

bool AutocompleteStore::rewrite(const char* why) {
    if (m_keep_failed)
        return false;
    m_file.close();
    QSaveFile out(m_json_path);
    if (!out.open(QIODevice::WriteOnly)) {
        APP_LOG(QStringLiteral("%1 cannot be written (%2)").arg(m_json_path, out.errorString()));
        m_file_usable = false;
        return false;
    }
    out.setPermissions(owner_only);
    // In pieces: a million entries need not exist twice in memory.
    QByteArray chunk = QByteArrayLiteral("[\n");
    QByteArray scratch;
    const int n = text_count();
    qint64 written = 0;
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            chunk.append(",\n", 2);
        const QByteArray& type = m_type_names_utf8[m_type_ids[size_t(i)]];
        const std::string_view text = bytes_of(i, &scratch);
        if (text.empty()) {
            // A large text the temporary file lost: the old file still holds it.
            APP_LOG(QStringLiteral("%1 is not rewritten: a copied text could not be read back")
                        .arg(m_json_path));
            out.cancelWriting();
            m_file_usable = open_for_append_after_failure();
            return false;
        }
        AutocompleteJson::append_element(chunk, type.constData(), type.size(), text.data(),
                                         qsizetype(text.size()));
        if (chunk.size() > (1 << 20)) {
            written += out.write(chunk);
            chunk.clear();
        }
    }
    chunk.append(n > 0 ? "\n]\n" : "]\n");
    written += out.write(chunk);
    if (!out.commit()) {
        APP_LOG(QStringLiteral("%1 could not be saved (%2); the previous file stays")
                    .arg(m_json_path, out.errorString()));
        m_file_usable = open_for_append_after_failure();
        return false;
    }
    qDebug().noquote() << "write result is: " << written << "(rewritten because" << why << ")";
    m_file_size = written;
    m_file_usable = open_for_append();
    return m_file_usable;
}

bool AutocompleteStore::open_for_append_after_failure() {
    // The old file is still in place, but no longer holds what memory holds.
    m_file.close();
    return false;
}

bool AutocompleteStore::open_for_append() {
    m_file.close();
    m_file.setFileName(m_json_path);
    if (!m_file.open(QIODevice::ReadWrite)) {
        APP_LOG(QStringLiteral("%1 cannot be opened for writing (%2): copied texts are kept for "
                               "this run only")
                    .arg(m_json_path, m_file.errorString()));
        return false;
    }
    if (m_file.size() != m_file_size) {
        APP_LOG(QStringLiteral("%1 changed size while being opened").arg(m_json_path));
        m_file.close();
        return false;
    }
    return true;
}

bool AutocompleteStore::append_to_file(const QByteArray& element) {
    if (!m_file.isOpen() || m_file.size() != m_file_size) {
        // Changed behind our back (or never opened): a full rewrite keeps the original aside.
        if (m_file.isOpen()) {
            APP_LOG(QStringLiteral("%1 was changed by another program").arg(m_json_path));
            keep_original("another program changed it");
        }
        return rewrite("appending was not possible");
    }
    const bool first = m_file_size == AutocompleteJson::empty_document().size();
    const qint64 at = m_file_size - (first ? 2 : AutocompleteJson::tail_size);
    QByteArray bytes;
    bytes.reserve(element.size() + 8);
    if (!first)
        bytes.append(",\n", 2);
    bytes.append(element);
    bytes.append("\n]\n", 3);
    const QByteArray old_tail = first ? QByteArrayLiteral("]\n") : QByteArrayLiteral("\n]\n");
    if (!m_file.seek(at) || m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        APP_LOG(QStringLiteral("An error has occurred write writing to json file %1 (%2); the "
                               "entry is kept for this run only")
                    .arg(m_json_path, m_file.errorString()));
        // Put the old end back so that the file stays whole.
        if (!m_file.resize(at) || !m_file.seek(at) || m_file.write(old_tail) != old_tail.size() ||
            !m_file.flush())
            m_file.close();
        return false;
    }
    m_file_size = at + bytes.size();
    return true;
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
    QByteArray element;
    element.reserve(utf8_text.size() + 64);
    AutocompleteJson::append_element(element, utf8_type.constData(), utf8_type.size(),
                                     utf8_text.constData(), utf8_text.size());
    m_file_usable = append_to_file(element) && m_file.isOpen();
    return true;
}

int AutocompleteStore::remove_equal(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    const std::string_view wanted(utf8.constData(), size_t(utf8.size()));
    std::vector<char> arena;
    std::vector<qint64> starts{0};
    std::vector<quint16> types;
    std::vector<Spilled> kept_spilled;
    arena.reserve(m_arena.size());
    int removed = 0;
    int images_at = m_images_at;
    for (int i = 0; i < text_count(); ++i) {
        const char* begin = m_arena.data() + m_starts[size_t(i)];
        const qint64 size = m_starts[size_t(i) + 1] - m_starts[size_t(i)];
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
        types.push_back(m_type_ids[size_t(i)]);
    }
    removed += int(m_images.removeAll(text));
    if (removed == 0)
        return 0;
    m_arena.swap(arena);
    m_starts.swap(starts);
    m_type_ids.swap(types);
    m_spilled.swap(kept_spilled);
    m_images_at = images_at;
    rebuild_byte_index();
    if (!m_keep_failed)
        rewrite("entries were deleted");
    return removed;
}

void AutocompleteStore::clear() {
    m_arena.clear();
    m_arena.shrink_to_fit();
    m_starts.assign(1, 0);
    m_type_ids.clear();
    m_spilled.clear();
    m_spill.clear();
    m_byte_bits.clear();
    m_images.clear();
    m_images_at = 0;
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
    return LoadedObject(m_type_names.at(m_type_ids[size_t(text)]), decode(text));
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
    const qint64 begin = m_starts[size_t(text)];
    const Spilled* on_disk = spilled(text);
    const qint64 whole = on_disk ? on_disk->size : m_starts[size_t(text) + 1] - begin;
    // Enough bytes for max_chars characters; a cut sequence at the end decodes to one U+FFFD.
    const qint64 size = std::min<qint64>(whole, qint64(max_chars) * 4);
    QByteArray scratch;
    const char* data = m_arena.data() + begin;
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
            const qint64 begin = m_starts[size_t(text)];
            // string_view rather than memmem, which not every C library has (MinGW's lacks it).
            const std::string_view haystack(m_arena.data() + begin,
                                            size_t(m_starts[size_t(text) + 1] - begin));
            if (haystack.find(wanted) != std::string_view::npos)
                out.push_back(index);
        }
        return out;
    }
    if (utf8.size() == 1)
        out.reserve(size_t(total));
    const auto texts = [&](int first, int last, quint32 offset) {
        if (utf8.size() == 1) {
            texts_with_byte(quint8(utf8[0]), first, last, offset, out);
            return;
        }
        const auto before = out.size();
        TextScanner::scan(m_arena.data(), m_starts, first, last, utf8.constData(), utf8.size(),
                          offset, out);
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

void AutocompleteStore::texts_with_byte(quint8 byte, int first, int last, quint32 offset,
                                        std::vector<quint32>& out) const {
    if (m_byte_bits.empty())
        return;
    const std::vector<quint64>& set = m_byte_bits[byte];
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

void AutocompleteStore::spilled_matches(int first, int last, std::string_view needle,
                                        quint32 offset, std::vector<quint32>& out) const {
    auto it = std::lower_bound(m_spilled.begin(), m_spilled.end(), first,
                               [](const Spilled& s, int t) { return s.text < t; });
    for (; it != m_spilled.end() && it->text < last; ++it) {
        if (m_spill.contains(it->offset, it->size, needle))
            out.push_back(quint32(it->text) + offset);
    }
}
