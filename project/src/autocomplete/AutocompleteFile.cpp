#include "autocomplete/AutocompleteFile.h"

#include "autocomplete/AutocompleteJson.h"
#include "common/AppLog.h"
#include "platform/DiskFiles.h"

#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QSaveFile>

AutocompleteFile::AutocompleteFile(QString path) : m_path(std::move(path)) {
    m_sync_timer.setSingleShot(true);
    m_sync_timer.setInterval(sync_delay_ms);
    QObject::connect(&m_sync_timer, &QTimer::timeout, [this] { sync(); });
}

AutocompleteFile::~AutocompleteFile() {
    if (m_sync_timer.isActive())
        sync();
}

bool AutocompleteFile::adopt(qint64 size) {
    close();
    m_file.setFileName(m_path);
    // Unbuffered: an append is one write, so a failed one leaves nothing behind in a buffer.
    QString error;
    if (!DiskFiles::open_replaceable(m_file, &error)) {
        APP_LOG(QStringLiteral("%1 cannot be opened for writing (%2): copied texts are kept for "
                               "this run only")
                    .arg(m_path, error));
        return false;
    }
    if (m_file.size() != size) {
        APP_LOG(QStringLiteral("%1 changed size while being opened").arg(m_path));
        m_file.close();
        return false;
    }
    m_size = size;
    return true;
}

void AutocompleteFile::close() {
    m_sync_timer.stop();
    m_file.close();
}

AutocompleteFile::State AutocompleteFile::state() const {
    if (!m_file.isOpen())
        return State::Closed;
    switch (DiskFiles::identify(m_file, m_path)) {
    case DiskFiles::Identity::Same:
        return m_file.size() == m_size ? State::Held : State::Resized;
    case DiskFiles::Identity::Missing:
        return State::Removed;
    case DiskFiles::Identity::Other:
    case DiskFiles::Identity::Unknown:
        break;
    }
    return State::Replaced;
}

bool AutocompleteFile::append(const QByteArray& elements) {
    const bool first = m_size == AutocompleteJson::empty_document().size();
    const qint64 at = m_size - (first ? 2 : AutocompleteJson::tail_size);
    QByteArray bytes;
    bytes.reserve(elements.size() + 8);
    if (!first)
        bytes.append(",\n", 2);
    bytes.append(elements);
    bytes.append("\n]\n", 3);
    const qint64 written = m_file.seek(at) ? m_file.write(bytes) : -1;
    if (written == bytes.size()) {
        m_size = at + bytes.size();
        if (!m_sync_timer.isActive())
            m_sync_timer.start();
        return true;
    }
    // A write cut short can leave no error behind.
    const QString error =
        m_file.error() != QFileDevice::NoError
            ? m_file.errorString()
            : QStringLiteral("%1 of %2 bytes written").arg(written).arg(bytes.size());
    // Back to the old end: cut what was written, then the closing bracket where it was.
    const QByteArray old_tail = first ? QByteArrayLiteral("]\n") : QByteArrayLiteral("\n]\n");
    const bool restored =
        m_file.resize(m_size) && m_file.seek(at) && m_file.write(old_tail) == old_tail.size();
    APP_LOG(QStringLiteral("%1 could not be appended to (%2); %3")
                .arg(m_path, error,
                     restored ? QStringLiteral("the entry waits in memory for the next write")
                              : QStringLiteral("nor put back as it was, so it is read back and "
                                               "written whole at the next write")));
    if (!restored)
        close();
    return false;
}

bool AutocompleteFile::replace(const std::function<bool(QSaveFile&)>& fill, const char* why) {
    close();
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly)) {
        APP_LOG(QStringLiteral("%1 cannot be written (%2)").arg(m_path, out.errorString()));
        return false;
    }
    out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    if (!fill(out)) {
        if (out.error() != QFileDevice::NoError)
            APP_LOG(QStringLiteral("%1 could not be saved (%2); the previous file stays")
                        .arg(m_path, out.errorString()));
        out.cancelWriting();
        return false;
    }
    const qint64 size = out.size();
    // The commit syncs the new file before renaming it into place.
    if (!out.commit()) {
        APP_LOG(QStringLiteral("%1 could not be saved (%2); the previous file stays")
                    .arg(m_path, out.errorString()));
        return false;
    }
    QString error;
    if (!DiskFiles::sync_folder(QFileInfo(m_path).absolutePath(), &error))
        APP_LOG(QStringLiteral("The new %1 may not be on disk yet: %2").arg(m_path, error));
    qDebug().noquote() << "write result is: " << size << "(rewritten because" << why << ")";
    return adopt(size);
}

QString AutocompleteFile::set_aside(const char* tag) {
    close();
    const QString base =
        QStringLiteral("%1.%2-%3")
            .arg(m_path, QLatin1String(tag),
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("~%1").arg(n);
    return QFile::rename(m_path, name) ? name : QString();
}

bool AutocompleteFile::read_whole(QFile& file, qint64 size,
                                  const std::function<void(const char*)>& use) {
    if (uchar* mapped = file.map(0, size)) {
        use(reinterpret_cast<const char*>(mapped));
        file.unmap(mapped);
        file.close();
        return true;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    if (bytes.size() != size)
        return false;
    use(bytes.constData());
    return true;
}

qint64 AutocompleteFile::read_newest(const QString& path, qint64 size, qint64 max_bytes,
                                     const AutocompleteJson::Sink& sink) {
    // Two passes: the size of each entry as written, then the entries from the first that fits.
    std::vector<qint64> sizes;
    QFile file(path);
    const bool read =
        file.open(QIODevice::ReadOnly) && read_whole(file, size, [&](const char* data) {
            QByteArray element;
            AutocompleteJson::parse(
                data, size,
                [&](const char* type, qsizetype type_size, const char* text, qsizetype text_size) {
                    element.clear();
                    AutocompleteJson::append_element(element, type, type_size, text, text_size);
                    sizes.push_back(element.size() + 2); // with the ",\n" before it
                });
            size_t first = sizes.size();
            qint64 total = 3; // "[\n" and "\n]\n", less the ",\n" the first entry lacks
            while (first > 0 && total + sizes[first - 1] <= max_bytes)
                total += sizes[--first];
            size_t seen = 0;
            AutocompleteJson::parse(
                data, size,
                [&](const char* type, qsizetype type_size, const char* text, qsizetype text_size) {
                    if (seen++ >= first)
                        sink(type, type_size, text, text_size);
                });
        });
    return read ? qint64(sizes.size()) : -1;
}

void AutocompleteFile::sync() {
    m_sync_timer.stop();
    QString error;
    if (m_file.isOpen() && !DiskFiles::sync_file(m_file, &error))
        APP_LOG(QStringLiteral("%1 could not be synced to disk: %2").arg(m_path, error));
}
