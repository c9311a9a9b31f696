#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVector>

class QMimeData;

// The lists of files that a copy in a file manager puts on the clipboard: text/uri-list; GTK's
// x-special/gnome-copied-files ("copy" or "cut", then one URI a line), which GTK file managers
// read first, and MATE's x-special/mate-copied-files of the same form; and the same list as text
// after "x-special/nautilus-clipboard", as some versions of Nautilus send it.
// A "cut" list is left alone: the file manager moves what a cut names, and moving a snapshot would
// leave the original in place and take the entry's file away. KDE marks a cut of its
// text/uri-list with application/x-kde-cutselection "1".
// The lists are read once; pointing files elsewhere rewrites only the lists that name them.
class CopiedFileList {
public:
    static const QString gnome_format;   // "x-special/gnome-copied-files"
    static const QString mate_format;    // "x-special/mate-copied-files"
    static const QString kde_cut_format; // "application/x-kde-cutselection"

    explicit CopiedFileList(const QMimeData* data);

    // The local files the lists that are not cut name, each once, in order.
    const QList<QUrl>& local_files() const { return m_files; }
    // Points every line that names local_files()[file] at replacement, from the next write on.
    void replace(int file, const QUrl& replacement);
    // Writes the lists that changed since the last write into data; the rest of each list stays
    // as it was read (the text lists byte for byte).
    void write_changes(QMimeData* data);

private:
    struct Line {
        int start;  // in the list's bytes; in a text/uri-list, the URL's index
        int length; // up to the line's end, without a final "\r"
        int file;   // index in m_files
    };
    struct List {
        QString format;
        QByteArray bytes;    // as read
        QList<QUrl> urls;    // text/uri-list, which Qt keeps as URLs
        QVector<Line> lines; // the lines that name a local file, in order
        bool changed = false;
    };
    void add(List list, const QList<QUrl>& urls);
    void write(QMimeData* data, const List& list) const;

    QVector<List> m_lists;
    QList<QUrl> m_files;
    QHash<QString, int> m_index;  // local path -> index in m_files, while reading
    QVector<QUrl> m_replacements; // per file; empty while it names the original
};
