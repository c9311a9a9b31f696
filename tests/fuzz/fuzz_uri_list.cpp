// A text/uri-list as an owner offers it, with file snapshots on. Paths are confined to a
// sandbox folder: an input names its files as file:///sandbox/...; the sandbox holds a small
// file, an empty one, one over the snapshot limit, a folder, a FIFO and links to them.
#include "FuzzSupport.h"
#include "clipboard/CapturedMimeData.h"
#include "clipboard/CopyableFile.h"
#include "clipboard/MimeDataCopier.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <memory>
#include <sys/stat.h>

namespace {
QString sandbox() {
    static const QString dir = [] {
        const QString path = FuzzSupport::scratch() + QStringLiteral("/sandbox");
        QDir().mkpath(path + QStringLiteral("/folder"));
        QFile small(path + QStringLiteral("/small.txt"));
        if (small.open(QIODevice::WriteOnly))
            small.write("small file\n");
        QFile(path + QStringLiteral("/empty")).open(QIODevice::WriteOnly);
        QFile big(path + QStringLiteral("/big.bin"));
        if (big.open(QIODevice::WriteOnly))
            big.resize(CopyableFile::max_bytes + 1);
        ::mkfifo(QFile::encodeName(path + QStringLiteral("/fifo")).constData(), 0600);
        QFile::link(path + QStringLiteral("/small.txt"), path + QStringLiteral("/link"));
        QFile::link(path + QStringLiteral("/fifo"), path + QStringLiteral("/fifo-link"));
        return path;
    }();
    return dir;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::init();
    QByteArray list = FuzzSupport::bytes(data, size);
    const QByteArray input = list;
    list.replace("file:///sandbox", QUrl::fromLocalFile(sandbox()).toEncoded());

    QMimeData source;
    source.setData(QStringLiteral("text/uri-list"), list);
    const QList<QUrl> urls = source.urls();
    // Only files inside the sandbox may be read.
    const QString inside = QDir::cleanPath(sandbox()) + QLatin1Char('/');
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = QDir::cleanPath(url.toLocalFile());
        if (!path.startsWith(inside) || path.contains(QLatin1String("/../")))
            return 0;
    }

    const QString temp_root = FuzzSupport::scratch() + QStringLiteral("/run");
    QDir().mkpath(temp_root + QStringLiteral("/temp"));
    {
        MimeDataCopier copier(temp_root);
        std::unique_ptr<CapturedMimeData> entry(copier.copy(&source, true, QStringLiteral("fuzz")));
        // Snapshots are copied off this thread; their lists are rewritten once they are done.
        QElapsedTimer waited;
        waited.start();
        while (copier.pending_snapshots() > 0 && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        FUZZ_CHECK(copier.pending_snapshots() == 0, input);
        const QList<QUrl> copied = entry->urls();
        // Compared with the list as a copy without snapshots holds it: Qt drops URLs that do not
        // survive encoding (invalid ones) on the way.
        const std::unique_ptr<CapturedMimeData> plain(CapturedMimeData::clone_of(&source));
        const QList<QUrl> kept = plain->urls();
        FUZZ_CHECK(copied.size() == kept.size(), input);
        for (int i = 0; i < copied.size(); ++i) {
            // A URL is either kept or pointed at a snapshot of the same name.
            if (copied[i] == kept[i])
                continue;
            FUZZ_CHECK(copied[i].isLocalFile(), input);
            FUZZ_CHECK(copied[i].toLocalFile().startsWith(temp_root + QStringLiteral("/temp/")),
                       input);
            FUZZ_CHECK(QFileInfo(copied[i].toLocalFile()).fileName() ==
                           QFileInfo(kept[i].toLocalFile()).fileName(),
                       input);
        }
        std::unique_ptr<CapturedMimeData> pasted(copier.copy_for_paste(entry.get()));
        FUZZ_CHECK(pasted->urls() == copied, input);
        entry.reset();
        pasted.reset();
        // Snapshots go with the last entry that refers to them.
        FUZZ_CHECK(copier.snapshot_count() == 0, input);
    }
    QDir(temp_root).removeRecursively();
    return 0;
}
