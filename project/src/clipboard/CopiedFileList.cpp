#include "clipboard/CopiedFileList.h"

#include <QByteArrayList>
#include <QMimeData>

const QString CopiedFileList::gnome_format = QStringLiteral("x-special/gnome-copied-files");

namespace {
const QString uri_list = QStringLiteral("text/uri-list");
const QString plain = QStringLiteral("text/plain");
const QByteArray nautilus_header = "x-special/nautilus-clipboard";

struct List {
    QString format;
    int first_uri_line; // lines before it are headers
};

// The lists data holds, with the line their URIs start at; a cut list is left out.
QList<List> lists_in(const QMimeData* data) {
    QList<List> lists;
    if (data->hasFormat(uri_list))
        lists.append({uri_list, 0});
    if (data->hasFormat(CopiedFileList::gnome_format)) {
        const QByteArray action = data->data(CopiedFileList::gnome_format).split('\n').value(0);
        if (action.trimmed() != "cut")
            lists.append({CopiedFileList::gnome_format, 1});
    }
    if (data->hasFormat(plain)) {
        const QByteArrayList lines = data->data(plain).split('\n');
        if (lines.value(0).trimmed() == nautilus_header && lines.value(1).trimmed() != "cut")
            lists.append({plain, 2});
    }
    return lists;
}

QUrl url_of_line(const QByteArray& line) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#'))
        return QUrl();
    return QUrl::fromEncoded(trimmed, QUrl::StrictMode);
}

bool same_file(const QUrl& a, const QUrl& b) {
    return a.isLocalFile() && b.isLocalFile() && a.toLocalFile() == b.toLocalFile();
}
} // namespace

QList<QUrl> CopiedFileList::local_files(const QMimeData* data) {
    QList<QUrl> files;
    for (const List& list : lists_in(data)) {
        const QByteArrayList lines = data->data(list.format).split('\n');
        for (int i = list.first_uri_line; i < lines.size(); ++i) {
            const QUrl url = url_of_line(lines[i]);
            if (!url.isLocalFile())
                continue;
            bool known = false;
            for (const QUrl& file : files)
                known = known || same_file(file, url);
            if (!known)
                files.append(url);
        }
    }
    return files;
}

void CopiedFileList::replace(QMimeData* data, const QUrl& original, const QUrl& replacement) {
    for (const List& list : lists_in(data)) {
        QByteArrayList lines = data->data(list.format).split('\n');
        bool changed = false;
        for (int i = list.first_uri_line; i < lines.size(); ++i) {
            if (!same_file(url_of_line(lines[i]), original))
                continue;
            const bool crlf = lines[i].endsWith('\r');
            lines[i] = replacement.toEncoded() + (crlf ? "\r" : "");
            changed = true;
        }
        if (changed)
            data->setData(list.format, lines.join('\n'));
    }
}
