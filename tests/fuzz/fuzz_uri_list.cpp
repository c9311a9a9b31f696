// The lists of files a file manager's copy offers, with file snapshots on. An input is a
// text/uri-list as it is; one that starts with a byte below 0x20 chooses with its bits the
// formats the rest is offered as: 1 text/uri-list, 2 x-special/gnome-copied-files, 4
// x-special/mate-copied-files, 8 text/plain under the Nautilus header, 16 KDE's cut mark.
// Paths are confined to a sandbox folder: an input names its files as file:///sandbox/...; the
// sandbox holds a small file, an empty one, one over the snapshot limit, a folder, a FIFO, links
// to them, and many/0 to many/119 for the limit of snapshots a copy makes.
#include "FuzzSupport.h"
#include "clipboard/CapturedMimeData.h"
#include "clipboard/CopyableFile.h"
#include "clipboard/MimeDataCopier.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSet>
#include <memory>
#include <sys/stat.h>

namespace {
QString sandbox() {
    static const QString dir = [] {
        const QString path = FuzzSupport::fresh_folder(QStringLiteral("sandbox"));
        QDir().mkpath(path + QStringLiteral("/folder"));
        QDir().mkpath(path + QStringLiteral("/many"));
        FuzzSupport::write_file(path + QStringLiteral("/small.txt"), "small file\n");
        FuzzSupport::write_file(path + QStringLiteral("/empty"), QByteArray());
        FuzzSupport::write_file(path + QStringLiteral("/big.bin"), QByteArray());
        QFile::resize(path + QStringLiteral("/big.bin"), CopyableFile::max_bytes + 1);
        ::mkfifo(QFile::encodeName(path + QStringLiteral("/fifo")).constData(), 0600);
        QFile::link(path + QStringLiteral("/small.txt"), path + QStringLiteral("/link"));
        QFile::link(path + QStringLiteral("/fifo"), path + QStringLiteral("/fifo-link"));
        for (int i = 0; i < 120; ++i)
            FuzzSupport::write_file(path + "/many/" + QString::number(i), QByteArray::number(i));
        return path;
    }();
    return dir;
}

struct Format {
    int bit;
    QString name;
    int header_lines; // before the first URI
};
const Format uri_list{1, QStringLiteral("text/uri-list"), 0};
const QList<Format> text_lists = {{2, QStringLiteral("x-special/gnome-copied-files"), 1},
                                  {4, QStringLiteral("x-special/mate-copied-files"), 1},
                                  {8, QStringLiteral("text/plain"), 2}};
const int kde_cut_bit = 16;

QString local_path(const QByteArray& line, QUrl::ParsingMode mode) {
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#'))
        return QString();
    const QUrl url = QUrl::fromEncoded(trimmed, mode);
    return url.isValid() && url.isLocalFile() ? url.toLocalFile() : QString();
}
} // namespace

void fuzz_one(const QByteArray& input) {
    int formats = uri_list.bit;
    QByteArray list = input;
    if (!list.isEmpty() && uchar(list[0]) < 0x20) {
        formats = uchar(list[0]);
        list.remove(0, 1);
    }
    list.replace("file:///sandbox", QUrl::fromLocalFile(sandbox()).toEncoded());

    QMimeData source;
    if (formats & uri_list.bit)
        source.setData(uri_list.name, list);
    for (const Format& format : text_lists) {
        if (formats & format.bit)
            source.setData(format.name,
                           format.bit == 8 ? "x-special/nautilus-clipboard\n" + list : list);
    }
    if (formats & kde_cut_bit)
        source.setData(QStringLiteral("application/x-kde-cutselection"), "1");

    // Only files inside the sandbox may be read: every name, however leniently read, is in it.
    const QString inside = QDir::cleanPath(sandbox()) + QLatin1Char('/');
    QStringList named;
    for (const QUrl& url : source.urls())
        named << (url.isLocalFile() ? url.toLocalFile() : QString());
    for (const QByteArray& line : list.split('\n'))
        named << local_path(line, QUrl::TolerantMode);
    for (const QString& name : named) {
        const QString path = QDir::cleanPath(name);
        if (!name.isEmpty() && (!path.startsWith(inside) || path.contains(QLatin1String("/../"))))
            return;
    }

    const QString temp_root = FuzzSupport::fresh_folder(QStringLiteral("run"));
    const QString temp = temp_root + QStringLiteral("/temp/");
    QDir().mkpath(temp);
    MimeDataCopier copier(temp_root);
    std::unique_ptr<CapturedMimeData> entry(copier.copy(&source, true, QStringLiteral("fuzz")));
    // Snapshots are copied off this thread; their lists are rewritten once they are done.
    QElapsedTimer waited;
    waited.start();
    while (copier.pending_snapshots() > 0 && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    FUZZ_CHECK(copier.pending_snapshots() == 0);
    // Compared with the lists as a copy without snapshots holds them: Qt drops URLs that do
    // not survive encoding (invalid ones) on the way.
    const std::unique_ptr<CapturedMimeData> plain(CapturedMimeData::clone_of(&source));
    QHash<QString, QString> snapshot_of; // original -> its snapshot, the same everywhere
    QSet<QString> originals_kept;        // named somewhere a snapshot could have gone
    // Each name is either kept or pointed at a snapshot of the same name and content.
    const auto check = [&](const QString& original, const QString& now, bool cut) {
        if (original.isEmpty())
            return;
        if (now == original) {
            if (!cut)
                originals_kept << original;
            return;
        }
        FUZZ_CHECK(!cut);
        FUZZ_CHECK(now.startsWith(temp));
        FUZZ_CHECK(QFileInfo(now).fileName() == QFileInfo(original).fileName());
        FUZZ_CHECK(snapshot_of.value(original, now) == now);
        snapshot_of.insert(original, now);
        QFile a(original), b(now);
        FUZZ_CHECK(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        FUZZ_CHECK(a.readAll() == b.readAll());
    };

    const QList<QUrl> copied = entry->urls();
    const QList<QUrl> kept = plain->urls();
    FUZZ_CHECK(copied.size() == kept.size());
    const auto local = [](const QUrl& url) {
        return url.isLocalFile() ? url.toLocalFile() : QString();
    };
    for (int i = 0; i < copied.size(); ++i) {
        FUZZ_CHECK(copied[i] == kept[i] || (kept[i].isLocalFile() && copied[i].isLocalFile()));
        check(local(kept[i]), local(copied[i]), formats & kde_cut_bit);
    }
    for (const Format& format : text_lists) {
        if (!(formats & format.bit))
            continue;
        const QList<QByteArray> before = plain->data(format.name).split('\n');
        const QList<QByteArray> after = entry->data(format.name).split('\n');
        FUZZ_CHECK(before.size() == after.size());
        const bool cut = before.value(format.header_lines - 1).trimmed() == "cut";
        for (int i = 0; i < before.size(); ++i) {
            // Only a line naming a file changes, and keeps its line end.
            const bool header = i < format.header_lines;
            const QString original = local_path(before[i], QUrl::StrictMode);
            FUZZ_CHECK(before[i] == after[i] || (!header && !original.isEmpty()));
            FUZZ_CHECK(after[i].endsWith('\r') == before[i].endsWith('\r'));
            check(original, local_path(after[i], QUrl::StrictMode), cut || header);
        }
    }
    // A file snapshotted for one list is snapshotted for all; each has a folder of its own.
    for (const QString& original : originals_kept)
        FUZZ_CHECK(!snapshot_of.contains(original));
    FUZZ_CHECK(snapshot_of.size() <= MimeDataCopier::max_snapshots_per_copy);
    FUZZ_CHECK(copier.snapshot_count() == snapshot_of.size());

    std::unique_ptr<CapturedMimeData> pasted(copier.copy_for_paste(entry.get()));
    FUZZ_CHECK(pasted->urls() == copied);
    entry.reset();
    pasted.reset();
    // Snapshots go with the last entry that refers to them.
    FUZZ_CHECK(copier.snapshot_count() == 0);
}
