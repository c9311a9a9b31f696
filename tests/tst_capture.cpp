#include "AppHarness.h"
#include "CoreFixture.h"
#include "PosixFiles.h"
#include "TestWidgets.h"
#include "common/PrivateFiles.h"

#include <QtTest>

namespace {
QString images_dir() {
    return DataPaths::get().images_dir();
}

QMimeData* picture(QRgb colour, const QList<QUrl>& urls = {}) {
    QImage image(7, 5, QImage::Format_ARGB32);
    image.fill(colour);
    image.setPixel(3, 2, qRgba(1, 2, 3, 255));
    auto* data = new QMimeData;
    data->setImageData(image);
    if (!urls.isEmpty())
        data->setUrls(urls);
    return data;
}

QImage saved(const QString& name) {
    return QImage(images_dir() + "/" + name).convertToFormat(QImage::Format_ARGB32);
}

QMimeData* file_list(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    auto* data = new QMimeData;
    data->setUrls(urls);
    return data;
}

// A file of size zero bytes, at path.
QString write_file(const QString& path, qint64 size) {
    return TestWidgets::write_file(path, QByteArray(size, 0)) ? path : QString();
}
} // namespace

class TestCapture : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        QDir(images_dir()).removeRecursively();
        QFile::remove(images_dir());
    }

    // Each case: order, automatic, copies of 1..N, the position then set (- for none), a copy of
    // "last", and the history's first and last entries, its size and the position then.
    void insertion_orders() {
        const QStringList cases = {
            // The position follows its entry ("43") down, so nothing is skipped.
            "forward 1 100 42 2 last 100 41",
            // Copy order, the position on the new copy.
            "backward 1 100 - 2 last 100 99", "backward 1 2 - 1 last 3 2",
            // In front, the new entry kept when full.
            "backward 0 100 - last 2 100 -1",
            "sideways 1 1 - . . 0 -1"}; // an unknown order inserts nothing
        for (const bool rich : {false, true}) {
            for (const QString& line : cases) {
                const QStringList c = line.split(' ');
                CoreFixture core(c[0], c[1] == "1", rich);
                core.copy(CoreFixture::numbers(1, c[2].toInt()));
                if (c[3] != "-")
                    core.position() = c[3].toInt();
                CoreFixture::copy(QStringLiteral("last"));
                const QStringList texts = core.texts();
                QVERIFY2(core.history.size() == c[6].toInt() && texts.size() == c[6].toInt(),
                         qPrintable(line));
                QVERIFY2(texts.value(0, ".") == c[4] && texts.value(texts.size() - 1, ".") == c[5],
                         qPrintable(line));
                QVERIFY2(core.position() == c[7].toInt(), qPrintable(line));
                // A copy, not the clipboard's own object.
                QVERIFY(!core.state.m_corvana_clipboard_mime_data_history.contains(
                    const_cast<QMimeData*>(QGuiApplication::clipboard()->mimeData())));
            }
        }
    }

    void what_the_text_history_records() {
        CoreFixture core;
        core.copy({"A", "B"});
        QCOMPARE(core.paste(), QStringLiteral("A"));
        QCOMPARE(core.history.size(), 2);
        CoreFixture::copy(QStringLiteral("C"));
        QCOMPARE(core.texts(), QStringList({"A", "B", "C"}));
        // Paused: nothing recorded, but a copy still ends the lock.
        core.history.lock();
        core.settings.m_is_paused = true;
        CoreFixture::copy(QStringLiteral("D"));
        QCOMPARE(core.history.size(), 3);
        QVERIFY(!core.history.locked());
        // The text history takes an image-only clipboard as an empty text, a large text whole.
        core.settings.m_is_paused = false;
        CoreFixture::copy(picture(qRgb(200, 0, 0)));
        QCOMPARE(core.texts().last(), QString());
        QVERIFY(!QFileInfo::exists(images_dir())); // text mode saves no image
        const QString big(50 * 1000 * 1000, QLatin1Char('x'));
        CoreFixture::copy(big);
        QCOMPARE(core.texts().last().size(), big.size());
    }

    void files_of_10_mb_or_less_are_snapshotted_once_and_privately() {
        CoreFixture core(QStringLiteral("forward"), true, true);
        QTemporaryDir originals;
        const QString small = write_file(originals.filePath("small.bin"), 10'400'000);
        const QString large = write_file(originals.filePath("large.bin"), 11'200'000);
        QFile::setPermissions(small, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        const QString temp = core.temp.path() + "/temp/";

        CoreFixture::copy(file_list({small, large}));
        const QMimeData* entry = core.state.m_corvana_clipboard_mime_data_history.first();
        // Copied off the GUI thread: the capture is over before the copy is.
        QCOMPARE(entry->urls().first(), QUrl::fromLocalFile(small));
        QCOMPARE(core.copier.pending_snapshots(), 1);
        QTRY_COMPARE(core.copier.pending_snapshots(), 0);
        const QList<QUrl> urls = entry->urls();
        QCOMPARE(urls.size(), 2);
        const QString snapshot = urls[0].toLocalFile();
        QVERIFY(snapshot.startsWith(temp));
        QCOMPARE(QFileInfo(snapshot).size(), qint64(10'400'000));
        QCOMPARE(urls[1], QUrl::fromLocalFile(large));
        // Not the source's permissions: the snapshot is the user's alone.
        if (has_posix_files)
            QCOMPARE(QFileInfo(snapshot).permissions() & 0x7077,
                     QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner));

        // Every paste hands out the same snapshot; none is copied while the keys wait.
        for (int i = 0; i < 3; ++i) {
            core.position() = 0;
            core.engine.paste();
            QCOMPARE(QGuiApplication::clipboard()->mimeData()->urls().first().toLocalFile(),
                     snapshot);
        }
        QCOMPARE(core.copier.snapshot_count(), 1);
        QCOMPARE(QDir(temp).count(), 2u + 1u);

        // Gone with the last holder: the entry, and the clipboard content made from it.
        core.history.clear();
        QVERIFY(QFileInfo::exists(snapshot)); // the clipboard still offers it
        CoreFixture::copy(QStringLiteral("something else"));
        QVERIFY(!QFileInfo::exists(snapshot));
        QCOMPARE(core.copier.snapshot_count(), 0);

        // An entry pushed out of the history takes its snapshots with it.
        CoreFixture::copy(file_list({small}));
        QTRY_COMPARE(core.copier.pending_snapshots(), 0);
        QCOMPARE(core.copier.snapshot_count(), 1);
        core.copy(CoreFixture::numbers(1, 100));
        QCOMPARE(core.copier.snapshot_count(), 0);
        QCOMPARE(QDir(temp).count(), 2u);

        // Switching file copy off keeps the original links.
        core.settings.m_file_copy_enabled = false;
        CoreFixture::copy(file_list({small}));
        QCOMPARE(core.state.m_corvana_clipboard_mime_data_history.last()->urls().first(),
                 QUrl::fromLocalFile(small));
    }

    // Names another program put on the clipboard: only regular files are read, never a FIFO
    // (opening it blocks), a device, or a kernel file; and a file manager pastes the snapshots.
    // (A cut keeps naming its originals: the uri_list fuzz target's cut seeds check that.)
    void only_regular_files_are_snapshotted_and_every_file_list_names_them() {
        if (!has_posix_files)
            QSKIP("FIFOs, devices and /proc are what this guards against; Windows has none");
        CoreFixture core(QStringLiteral("forward"), true, true);
        QTemporaryDir originals;
        const QString real = write_file(originals.filePath("real.txt"), 4);
        const QString fifo = originals.filePath("pipe");
        QCOMPARE(QProcess::execute("mkfifo", {fifo}), 0);
        const QStringList names = {fifo, "/dev/zero", "/proc/self/status", real};
        QByteArray gnome = "copy";
        for (const QString& name : names)
            gnome += "\n" + QUrl::fromLocalFile(name).toEncoded();
        QMimeData* data = file_list(names);
        data->setData("x-special/gnome-copied-files", gnome);
        data->setData("x-special/mate-copied-files", gnome);
        CoreFixture::copy(data);
        QTRY_COMPARE(core.copier.pending_snapshots(), 0);
        const QMimeData* entry = core.state.m_corvana_clipboard_mime_data_history.first();
        const QList<QUrl> urls = entry->urls();
        QCOMPARE(urls.size(), 4);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(urls[i], QUrl::fromLocalFile(names[i])); // left as they were, unread
        const QString snapshot = urls[3].toLocalFile();
        QVERIFY(snapshot.startsWith(core.temp.path() + "/temp/"));
        QCOMPARE(core.copier.snapshot_count(), 1);
        // GTK file managers read their own list first: it names the snapshot too, the rest of it
        // byte for byte as sent.
        QCOMPARE(entry->data("x-special/gnome-copied-files"),
                 gnome.left(gnome.lastIndexOf('\n') + 1) +
                     QUrl::fromLocalFile(snapshot).toEncoded());
        QCOMPARE(entry->data("x-special/mate-copied-files"),
                 entry->data("x-special/gnome-copied-files"));
        core.position() = 0;
        core.engine.paste();
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data("x-special/gnome-copied-files"),
                 entry->data("x-special/gnome-copied-files"));

        // A picture with links: they go into the images folder only when they are regular
        // files; a FIFO there would hang the capture for good.
        const QString photo = originals.filePath("photo.png");
        QVERIFY(QImage(4, 4, QImage::Format_RGB32).save(photo));
        CoreFixture::copy(picture(qRgb(5, 6, 7), {QUrl::fromLocalFile(fifo),
                                                  QUrl::fromLocalFile("/proc/self/status"),
                                                  QUrl::fromLocalFile(photo)}));
        QTRY_COMPARE(core.copier.file_copier().pending(), 0);
        QCOMPARE(QDir(images_dir()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{"photo.png"});
    }

    // The size on disk is only a first check: the copy stops at the limit of bytes it read, and
    // reads only a regular file, whatever was put in its place after the check.
    void a_copy_stops_at_its_limit_and_reads_only_a_regular_file() {
        QTemporaryDir dir;
        const QString source = write_file(dir.filePath("grown.bin"), 5000);
        QString error;
        QVERIFY(!PrivateFiles::copy_new(source, dir.filePath("copy.bin"), 4999, &error));
        QVERIFY(error.contains("more than 4999 bytes"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"grown.bin"});
        QVERIFY(PrivateFiles::copy_new(source, dir.filePath("copy.bin"), 5000, &error));
        QCOMPARE(QFileInfo(dir.filePath("copy.bin")).size(), qint64(5000));
        if (!has_posix_files)
            return;
        // A link the user copied is its file; a FIFO is refused at once, not waited on.
        QVERIFY(QFile::link(source, dir.filePath("link.bin")));
        QVERIFY(
            PrivateFiles::copy_new(dir.filePath("link.bin"), dir.filePath("c2.bin"), 5000, &error));
        const QString fifo = dir.filePath("swapped.bin");
        QCOMPARE(QProcess::execute("mkfifo", {fifo}), 0);
        QVERIFY(!PrivateFiles::copy_new(fifo, dir.filePath("c3.bin"), 5000, &error));
        QVERIFY2(error.contains("not a regular file"), qPrintable(error));
    }

    void clipboard_images_are_saved_privately_with_the_next_number() {
        CoreFixture core(QStringLiteral("forward"), true, true);
        CoreFixture::copy(picture(qRgb(10, 20, 30)));
        const QImage first = saved("image1.png");
        QCOMPARE(first.pixel(0, 0), qRgb(10, 20, 30));
        QCOMPARE(core.inserted, QStringList{"image: image1.png"});
        QCOMPARE(core.notices, QStringList{"Image saved: Under the name of image1.png"});
        if (has_posix_files) {
            QCOMPARE(QFileInfo(images_dir()).permissions() & 0x7077,
                     QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            QCOMPARE(QFileInfo(images_dir() + "/image1.png").permissions() & 0x7077,
                     QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner));
        }
        QCOMPARE(QDir(images_dir()).entryList(QDir::Hidden | QDir::Files).size(), 1);

        // A deleted image leaves a gap: the next number must not overwrite image3.
        QFile::copy(images_dir() + "/image1.png", images_dir() + "/image3.png");
        CoreFixture::copy(picture(qRgb(99, 99, 99)));
        QCOMPARE(saved("image4.png").pixel(0, 0), qRgb(99, 99, 99));
        QCOMPARE(saved("image3.png"), first);
    }

    // Whatever the images folder is, the copy is still queued.
    void an_unusable_images_folder_saves_nothing_and_is_not_fatal() {
        CoreFixture core(QStringLiteral("forward"), true, true);
        // Full.
        QDir().mkpath(images_dir());
        for (int i = 0; i < 1000; ++i)
            QFile(images_dir() + QStringLiteral("/f%1").arg(i)).open(QIODevice::WriteOnly);
        CoreFixture::copy(picture(qRgb(1, 1, 1)));
        QCOMPARE(QDir(images_dir()).count(), 1000u + 2u); // with . and ..
        QVERIFY(QDir(images_dir()).removeRecursively());
        // A file in its place.
        QVERIFY(TestWidgets::write_file(images_dir(), "not a folder"));
        CoreFixture::copy(picture(qRgb(1, 1, 2)));
        QVERIFY(QFileInfo(images_dir()).isFile());
        QVERIFY(QFile::remove(images_dir()));
        // Another user's folder.
        QTemporaryDir foreign; // as root, one that belongs to "nobody"; else root's
        const bool root = PrivateFiles::current_user_id() == 0;
        QVERIFY(!root || QProcess::execute("chown", {"65534", foreign.path()}) == 0);
        QVERIFY(QFile::link(root ? foreign.path() : QStringLiteral("/"), images_dir()));
        CoreFixture::copy(picture(qRgb(1, 2, 3)));
        QVERIFY(!QFileInfo::exists(images_dir() + "/image1.png"));
        QCOMPARE(core.history.size(), 3);
        QVERIFY(core.notices.isEmpty());

        // An open folder of ours is narrowed.
        QFile::remove(images_dir());
        QVERIFY(QDir().mkdir(images_dir()));
        QFile::setPermissions(images_dir(), QFile::Permissions(0x7755));
        CoreFixture::copy(picture(qRgb(4, 5, 6)));
        QVERIFY(QFileInfo::exists(images_dir() + "/image1.png"));
        if (has_posix_files)
            QCOMPARE(QFileInfo(images_dir()).permissions() & 0x0077, QFile::Permissions());
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
