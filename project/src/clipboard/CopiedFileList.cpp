#include "clipboard/CopiedFileList.h"

#include <QMimeData>

const QString CopiedFileList::gnome_format = QStringLiteral("x-special/gnome-copied-files");
const QString CopiedFileList::mate_format = QStringLiteral("x-special/mate-copied-files");
const QString CopiedFileList::kde_cut_format = QStringLiteral("application/x-kde-cutselection");

namespace {
const QString uri_list = QStringLiteral("text/uri-list");
const QString plain = QStringLiteral("text/plain");
const QByteArray nautilus_header = "x-special/nautilus-clipboard";
const QByteArray cut = "cut";

// The line of bytes that starts at *from; moves *from past its "\n".
QByteArray line_at(const QByteArray& bytes, int* from) {
    int end = bytes.indexOf('\n', *from);
    if (end < 0)
        end = bytes.size();
    const QByteArray line = bytes.mid(*from, end - *from);
    *from = end + 1;
    return line;
}

QUrl url_of_line(const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#'))
        return QUrl();
    return QUrl::fromEncoded(trimmed, QUrl::StrictMode);
}
} // namespace

CopiedFileList::CopiedFileList(const QMimeData* data) {
    // Qt holds a text/uri-list as URLs, parsed when it was set: read as they are, and set back
    // as URLs, a list of thousands is never parsed again.
    const bool kde_cut =
        data->hasFormat(kde_cut_format) && data->data(kde_cut_format).trimmed() == "1";
    if (data->hasFormat(uri_list) && !kde_cut) {
        const QList<QUrl> urls = data->urls();
        add({uri_list, QByteArray(), urls, {}}, urls);
    }
    // The lists as text: a header, then one URI a line.
    const auto read = [&](const QString& format, int header_lines) {
        List list{format, data->data(format), {}, {}};
        int at = 0;
        for (int i = 0; i < header_lines && at <= list.bytes.size(); ++i) {
            if (line_at(list.bytes, &at).trimmed() == cut)
                return;
        }
        QList<QUrl> urls;
        while (at <= list.bytes.size()) {
            const int start = at;
            const QByteArray line = line_at(list.bytes, &at);
            list.lines.append({start, line.size() - (line.endsWith('\r') ? 1 : 0), -1});
            urls.append(url_of_line(line));
        }
        add(list, urls);
    };
    for (const QString& format : {gnome_format, mate_format})
        if (data->hasFormat(format))
            read(format, 1);
    if (data->hasFormat(plain)) {
        int at = 0;
        // Only the start: the text may be long, and is seldom a list.
        if (line_at(data->data(plain).left(256), &at).trimmed() == nautilus_header)
            read(plain, 2);
    }
    m_index.clear();
    m_replacements.resize(m_files.size());
}

// Keeps of list the lines (or URLs) that name local files, numbering the files as they come.
void CopiedFileList::add(List list, const QList<QUrl>& urls) {
    QVector<Line> lines;
    for (int i = 0; i < urls.size(); ++i) {
        const QUrl& url = urls[i];
        if (!url.isValid() || !url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        auto found = m_index.find(path);
        if (found == m_index.end()) {
            found = m_index.insert(path, m_files.size());
            m_files.append(url);
        }
        Line line = list.urls.isEmpty() ? list.lines[i] : Line{i, 0, -1};
        line.file = *found;
        lines.append(line);
    }
    if (lines.isEmpty())
        return;
    list.lines = lines;
    m_lists.append(list);
}

void CopiedFileList::replace(int file, const QUrl& replacement) {
    if (file < 0 || file >= m_files.size())
        return;
    m_replacements[file] = replacement;
    for (List& list : m_lists) {
        for (const Line& line : qAsConst(list.lines)) {
            if (line.file == file) {
                list.changed = true;
                break;
            }
        }
    }
}

void CopiedFileList::write_changes(QMimeData* data) {
    for (List& list : m_lists) {
        if (list.changed)
            write(data, list);
        list.changed = false;
    }
}

void CopiedFileList::write(QMimeData* data, const List& list) const {
    if (!list.urls.isEmpty()) {
        QList<QUrl> urls = list.urls;
        for (const Line& line : list.lines)
            if (!m_replacements[line.file].isEmpty())
                urls[line.start] = m_replacements[line.file];
        data->setUrls(urls);
        return;
    }
    QByteArray bytes;
    bytes.reserve(list.bytes.size());
    int copied = 0; // bytes of the original taken so far
    for (const Line& line : list.lines) {
        const QUrl& replacement = m_replacements[line.file];
        if (replacement.isEmpty())
            continue;
        bytes.append(list.bytes.constData() + copied, line.start - copied);
        bytes.append(replacement.toEncoded());
        copied = line.start + line.length;
    }
    bytes.append(list.bytes.constData() + copied, list.bytes.size() - copied);
    data->setData(list.format, bytes);
}
