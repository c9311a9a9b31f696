#pragma once

#include <QList>
#include <QUrl>

class QMimeData;

// The lists of files that a copy in a file manager puts on the clipboard: text/uri-list; GTK's
// x-special/gnome-copied-files ("copy" or "cut", then one URI a line), which GTK file managers
// read first; and the same list as text after "x-special/nautilus-clipboard", as some versions of
// Nautilus send it.
class CopiedFileList {
public:
    static const QString gnome_format; // "x-special/gnome-copied-files"

    // The local files the lists name, each once, in order.
    static QList<QUrl> local_files(const QMimeData* data);
    // Points every list at replacement where it named original; the rest of each list stays
    // byte for byte. A "cut" list keeps its originals: the file manager moves what a cut names,
    // and moving a snapshot would leave the original in place and take the entry's file away.
    static void replace(QMimeData* data, const QUrl& original, const QUrl& replacement);
};
