#include "autocomplete/TextSpill.h"

#include "common/AppLog.h"
#include "common/PrivateFiles.h"

#include <QDir>
#include <QStandardPaths>
#include <algorithm>

bool TextSpill::open() {
    if (m_file.isOpen())
        return true;
    if (m_broken)
        return false;
    // On disk in the user's cache folder: the temporary folder is often memory (tmpfs), and a
    // spilled text is there to leave memory. The temporary folder only when there is no cache.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QString folder = cache + QStringLiteral("/texts");
    QString why = QStringLiteral("no cache folder");
    if (cache.isEmpty() || !PrivateFiles::ensure_dir(folder, &why)) {
        APP_LOG(QStringLiteral("Large copied texts go to the temporary folder: %1").arg(why));
        folder = QDir::tempPath();
    }
    m_file.setFileTemplate(folder + QStringLiteral("/corvana-texts-XXXXXX"));
    if (!m_file.open()) {
        APP_LOG(QStringLiteral("Large copied texts stay in memory: no temporary file (%1)")
                    .arg(m_file.errorString()));
        m_broken = true;
        return false;
    }
    m_file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    // Where an open file can lose its name, it goes now; elsewhere it goes when closed.
    if (QFile::remove(m_file.fileName()))
        m_file.setAutoRemove(false);
    return true;
}

qint64 TextSpill::append(const char* data, qint64 size) {
    if (!open())
        return -1;
    const qint64 at = m_size;
    if (!m_file.seek(at) || m_file.write(data, size) != size || !m_file.flush()) {
        APP_LOG(QStringLiteral("Large copied texts stay in memory: the temporary file took no "
                               "more (%1)")
                    .arg(m_file.errorString()));
        m_file.resize(at);
        m_broken = true;
        return -1;
    }
    m_size = at + size;
    return at;
}

bool TextSpill::read(qint64 offset, qint64 size, QByteArray* out) const {
    out->clear();
    if (!m_file.isOpen() || offset < 0 || size < 0 || offset + size > m_size ||
        size > qint64(INT_MAX) || !m_file.seek(offset))
        return false;
    out->resize(int(size));
    if (m_file.read(out->data(), size) != size) {
        APP_LOG(QStringLiteral("A large copied text could not be read back (%1)")
                    .arg(m_file.errorString()));
        out->clear();
        return false;
    }
    return true;
}

bool TextSpill::contains(qint64 offset, qint64 size, std::string_view needle) const {
    if (needle.empty())
        return true;
    const qint64 overlap = qint64(needle.size()) - 1;
    QByteArray piece;
    // Each piece repeats the end of the one before, so a match across two pieces is found.
    for (qint64 at = 0; at + overlap < size; at += piece_bytes) {
        const qint64 length = std::min(size - at, piece_bytes + overlap);
        if (!read(offset + at, length, &piece))
            return false;
        if (std::string_view(piece.constData(), size_t(piece.size())).find(needle) !=
            std::string_view::npos)
            return true;
    }
    return false;
}

bool TextSpill::equals(qint64 offset, qint64 size, std::string_view bytes) const {
    if (size != qint64(bytes.size()))
        return false;
    QByteArray piece;
    for (qint64 at = 0; at < size; at += piece_bytes) {
        const qint64 length = std::min(size - at, piece_bytes);
        if (!read(offset + at, length, &piece) ||
            std::string_view(piece.constData(), size_t(length)) !=
                bytes.substr(size_t(at), size_t(length)))
            return false;
    }
    return true;
}

void TextSpill::clear() {
    if (m_file.isOpen())
        m_file.resize(0);
    m_size = 0;
}
