#include "AppHarness.h"
#include "FakeKeyboard.h"
#include "PosixFiles.h"
#include "common/DataPaths.h"
#include "common/PrivateFiles.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

QString images_dir() {
    return DataPaths::get().images_dir();
}

QImage sample_image(QRgb colour) {
    QImage image(7, 5, QImage::Format_ARGB32);
    image.fill(colour);
    image.setPixel(3, 2, qRgba(1, 2, 3, 255));
    return image;
}

void copy_mime(QMimeData* data) {
    clipboard()->setMimeData(data);
}
} // namespace

class TestCapture : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;

    void use_mode(const char* order, bool automatic, bool rich) {
        app->m_paste_order = QString::fromLatin1(order);
        app->m_automatic_position_movement = automatic;
        if (app->m_rich_text_copy_enabled != rich)
            app->toggle_rich_text_copy();
    }

    void copy_texts(int from, int to) {
        for (int i = from; i <= to; ++i)
            AppHarness::copy_text(QString::number(i));
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        QDir(images_dir()).removeRecursively();
        QFile::remove(images_dir());
        app = AppHarness::make_app();
    }
    void cleanup() { app.reset(); }

    void forward_appends_and_drops_the_oldest_beyond_100() {
        use_mode("forward", true, false);
        copy_texts(1, 100);
        QCOMPARE(app->m_corvana_clipboard_text_history.size(), 100);
        app->m_current_clipboard_history_position = 42;
        AppHarness::copy_text("101");
        QCOMPARE(app->m_corvana_clipboard_text_history.size(), 100);
        QCOMPARE(app->m_corvana_clipboard_text_history.first(), QStringLiteral("2"));
        QCOMPARE(app->m_corvana_clipboard_text_history.last(), QStringLiteral("101"));
        // The position follows its entry ("43") down, so nothing is skipped.
        QCOMPARE(app->m_current_clipboard_history_position, 41);
        QCOMPARE(app->m_corvana_clipboard_text_history.at(41), QStringLiteral("43"));
    }

    void backward_automatic_keeps_copy_order_and_raises_the_position() {
        use_mode("backward", true, false);
        AppHarness::copy_text("A");
        QCOMPARE(app->m_current_clipboard_history_position, 0);
        AppHarness::copy_text("B");
        AppHarness::copy_text("C");
        QCOMPARE(app->m_corvana_clipboard_text_history, QStringList({"A", "B", "C"}));
        QCOMPARE(app->m_current_clipboard_history_position, 2);

        // A full history: the oldest entry goes and the position stays on the new copy.
        copy_texts(4, 101);
        QCOMPARE(app->m_corvana_clipboard_text_history.size(), 100);
        QCOMPARE(app->m_corvana_clipboard_text_history.last(), QStringLiteral("101"));
        QCOMPARE(app->m_corvana_clipboard_text_history.first(), QStringLiteral("B"));
        QCOMPARE(app->m_current_clipboard_history_position, 99);
        AppHarness::copy_text("102");
        QCOMPARE(app->m_corvana_clipboard_text_history.last(), QStringLiteral("102"));
        QCOMPARE(app->m_corvana_clipboard_text_history.size(), 100);
        QCOMPARE(app->m_current_clipboard_history_position, 99);
    }

    void backward_manual_inserts_at_the_front_and_keeps_the_new_entry_when_full() {
        use_mode("backward", false, false);
        copy_texts(1, 100);
        QCOMPARE(app->m_corvana_clipboard_text_history.first(), QStringLiteral("100"));
        QCOMPARE(app->m_corvana_clipboard_text_history.last(), QStringLiteral("1"));
        AppHarness::copy_text("new");
        QCOMPARE(app->m_corvana_clipboard_text_history.size(), 100);
        QCOMPARE(app->m_corvana_clipboard_text_history.first(), QStringLiteral("new"));
        QCOMPARE(app->m_corvana_clipboard_text_history.last(), QStringLiteral("2"));
    }

    void mime_history_follows_the_same_rules_and_owns_its_copies() {
        use_mode("forward", true, true);
        copy_texts(1, 101);
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.size(), 100);
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.first()->text(), QStringLiteral("2"));
        QVERIFY(app->m_corvana_clipboard_text_history.isEmpty());
        // A copy, not the clipboard's own object.
        QVERIFY(app->m_corvana_clipboard_mime_data_history.last() != clipboard()->mimeData());
    }

    void unknown_order_inserts_nothing() {
        use_mode("sideways", true, true);
        AppHarness::copy_text("lost?");
        QVERIFY(app->m_corvana_clipboard_mime_data_history.isEmpty());
        use_mode("sideways", true, false);
        AppHarness::copy_text("lost?");
        QVERIFY(app->m_corvana_clipboard_text_history.isEmpty());
    }

    void own_paste_is_not_captured_but_the_next_change_is() {
        use_mode("forward", true, false);
        AppHarness::copy_text("A");
        AppHarness::copy_text("B");
        app->paste_from_corvana_clipboard();
        QCOMPARE(clipboard()->text(), QStringLiteral("A"));
        QVERIFY(!app->m_ignore_next_clipboard_change);
        QCOMPARE(app->m_corvana_clipboard_text_history.size(), 2);
        AppHarness::copy_text("C");
        QCOMPARE(app->m_corvana_clipboard_text_history, QStringList({"A", "B", "C"}));
    }

    void paused_capture_records_nothing_but_still_unlocks() {
        use_mode("forward", true, false);
        AppHarness::copy_text("A");
        app->m_current_clipboard_history_position = 0;
        app->lock_current_position();
        app->m_current_clipboard_history_position = 0;
        app->pause_or_resume_corvana();
        AppHarness::copy_text("B");
        QCOMPARE(app->m_corvana_clipboard_text_history, QStringList({"A"}));
        QVERIFY(!app->m_position_locked);
    }

    void switching_rich_text_mode_clears_both_histories() {
        use_mode("forward", true, false);
        AppHarness::copy_text("A");
        app->m_corvana_clipboard_mime_data_history.append(new QMimeData);
        app->m_current_clipboard_history_position = 1;
        app->enable_or_disable_rich_text_copy();
        QVERIFY(app->m_rich_text_copy_enabled);
        QVERIFY(app->m_corvana_clipboard_text_history.isEmpty());
        QVERIFY(app->m_corvana_clipboard_mime_data_history.isEmpty());
        QCOMPARE(app->m_current_clipboard_history_position, -1);
    }

    void text_mode_records_an_empty_entry_for_an_image_only_clipboard() {
        use_mode("forward", true, false);
        auto* data = new QMimeData;
        data->setImageData(sample_image(qRgb(200, 0, 0)));
        copy_mime(data);
        QCOMPARE(app->m_corvana_clipboard_text_history, QStringList({QString()}));
        QVERIFY(!QFileInfo::exists(images_dir())); // text mode saves no image
    }

    void files_of_10_mb_or_less_are_snapshotted_once_and_privately() {
        use_mode("forward", true, true);
        QTemporaryDir originals;
        const QString small = originals.filePath("small.bin");
        const QString large = originals.filePath("large.bin");
        QFile small_file(small), large_file(large);
        QVERIFY(small_file.open(QIODevice::WriteOnly) && small_file.resize(10'400'000));
        QVERIFY(large_file.open(QIODevice::WriteOnly) && large_file.resize(11'200'000));
        small_file.close();
        large_file.close();
        QFile::setPermissions(small, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);

        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(small), QUrl::fromLocalFile(large)});
        copy_mime(data);
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.size(), 1);
        // Copied off the GUI thread: the capture is over before the copy is.
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.first()->urls().first(),
                 QUrl::fromLocalFile(small));
        QCOMPARE(app->mime_copier().pending_snapshots(), 1);
        QTRY_COMPARE(app->mime_copier().pending_snapshots(), 0);
        const QList<QUrl> urls = app->m_corvana_clipboard_mime_data_history.first()->urls();
        QCOMPARE(urls.size(), 2);
        const QString snapshot = urls[0].toLocalFile();
        QVERIFY(snapshot.startsWith(app->temp_dir_path() + "/temp/"));
        QCOMPARE(QFileInfo(snapshot).size(), qint64(10'400'000));
        QCOMPARE(urls[1], QUrl::fromLocalFile(large));
        // Not the source's permissions: the snapshot is the user's alone.
        if (has_posix_files)
            QCOMPARE(QFileInfo(snapshot).permissions() & 0x7077,
                     QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner));

        // Every paste hands out the same snapshot; none is copied while the keys wait.
        for (int i = 0; i < 3; ++i) {
            app->m_current_clipboard_history_position = 0;
            app->paste_from_corvana_clipboard();
            QCOMPARE(clipboard()->mimeData()->urls().first().toLocalFile(), snapshot);
        }
        QCOMPARE(app->mime_copier().snapshot_count(), 1);
        QCOMPARE(QDir(app->temp_dir_path() + "/temp").count(), 2u + 1u);

        // Gone with the last holder: the entry, and the clipboard content made from it.
        app->clear_clipboard_history();
        QVERIFY(QFileInfo::exists(snapshot)); // the clipboard still offers it
        AppHarness::copy_text("something else");
        QVERIFY(!QFileInfo::exists(snapshot));
        QCOMPARE(app->mime_copier().snapshot_count(), 0);

        // Switching file copy off keeps the original links.
        app->toggle_file_copy();
        auto* again = new QMimeData;
        again->setUrls({QUrl::fromLocalFile(small)});
        copy_mime(again);
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.last()->urls().first(),
                 QUrl::fromLocalFile(small));
    }

    void snapshots_of_dropped_entries_are_removed() {
        use_mode("forward", true, true);
        QTemporaryDir originals;
        const QString path = originals.filePath("f.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(path)});
        copy_mime(data);
        QTRY_COMPARE(app->mime_copier().pending_snapshots(), 0);
        const QString snapshot =
            app->m_corvana_clipboard_mime_data_history.first()->urls().first().toLocalFile();
        QVERIFY(QFileInfo::exists(snapshot));
        // 100 more copies push the entry out of the history.
        copy_texts(1, 100);
        QVERIFY(!QFileInfo::exists(snapshot));
        QCOMPARE(app->mime_copier().snapshot_count(), 0);
    }

    // Names another program put on the clipboard: only regular files are read, never a FIFO
    // (opening it blocks), a device, or a kernel file; and a file manager pastes the snapshots.
    void only_regular_files_are_snapshotted_and_every_file_list_names_them() {
        if (!has_posix_files)
            QSKIP(
                "FIFOs, devices and /proc are what this guards against; Windows has none of them");
        use_mode("forward", true, true);
        QTemporaryDir originals;
        const QString real = originals.filePath("real.txt");
        const QString fifo = originals.filePath("pipe");
        QFile file(real);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("real") == 4);
        file.close();
        QCOMPARE(QProcess::execute("mkfifo", {fifo}), 0);
        const QStringList names = {fifo, "/dev/zero", "/proc/self/status", real};
        QByteArray uris, gnome = "copy";
        for (const QString& name : names) {
            uris += QUrl::fromLocalFile(name).toEncoded() + "\r\n";
            gnome += "\n" + QUrl::fromLocalFile(name).toEncoded();
        }
        auto* data = new QMimeData;
        data->setData("text/uri-list", uris);
        data->setData("x-special/gnome-copied-files", gnome);
        data->setData("x-special/mate-copied-files", gnome);
        copy_mime(data);
        QTRY_COMPARE(app->mime_copier().pending_snapshots(), 0);
        const QMimeData* entry = app->m_corvana_clipboard_mime_data_history.first();
        const QList<QUrl> urls = entry->urls();
        QCOMPARE(urls.size(), 4);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(urls[i], QUrl::fromLocalFile(names[i])); // left as they were, unread
        const QString snapshot = urls[3].toLocalFile();
        QVERIFY(snapshot.startsWith(app->temp_dir_path() + "/temp/"));
        QCOMPARE(app->mime_copier().snapshot_count(), 1);
        // GTK file managers read their own list first: it names the snapshot too, the rest of it
        // byte for byte as sent.
        const QList<QByteArray> lines = entry->data("x-special/gnome-copied-files").split('\n');
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QByteArray("copy"));
        QCOMPARE(lines[1], QUrl::fromLocalFile(fifo).toEncoded());
        QCOMPARE(lines[4], QUrl::fromLocalFile(snapshot).toEncoded());
        QCOMPARE(entry->data("x-special/mate-copied-files"),
                 entry->data("x-special/gnome-copied-files"));
        app->m_current_clipboard_history_position = 0;
        app->paste_from_corvana_clipboard();
        QCOMPARE(clipboard()->mimeData()->data("x-special/gnome-copied-files"),
                 entry->data("x-special/gnome-copied-files"));

        // A cut is a move of the originals: its list keeps naming them.
        auto* cut = new QMimeData;
        cut->setUrls({QUrl::fromLocalFile(real)});
        cut->setData("x-special/gnome-copied-files",
                     "cut\n" + QUrl::fromLocalFile(real).toEncoded());
        copy_mime(cut);
        QTRY_COMPARE(app->mime_copier().pending_snapshots(), 0);
        const QMimeData* cut_entry = app->m_corvana_clipboard_mime_data_history.last();
        QVERIFY(cut_entry->urls().first().toLocalFile().startsWith(app->temp_dir_path()));
        QCOMPARE(cut_entry->data("x-special/gnome-copied-files"),
                 "cut\n" + QUrl::fromLocalFile(real).toEncoded());
        // KDE marks its cut beside the list.
        auto* kde_cut = new QMimeData;
        kde_cut->setUrls({QUrl::fromLocalFile(real)});
        kde_cut->setData("application/x-kde-cutselection", "1");
        copy_mime(kde_cut);
        QTRY_COMPARE(app->mime_copier().pending_snapshots(), 0);
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.last()->urls(),
                 QList<QUrl>{QUrl::fromLocalFile(real)});
    }

    // The size on disk is only a first check: the copy stops at the limit of bytes it read, and
    // reads only a regular file, whatever was put in its place after the check.
    void a_copy_stops_at_its_limit_and_reads_only_a_regular_file() {
        QTemporaryDir dir;
        const QString source = dir.filePath("grown.bin");
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(5000, 'g')) == 5000);
        file.close();
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

    // A picture with links: the links go into the images folder only when they are regular
    // files; a FIFO there would hang the capture for good.
    void a_pictures_links_copy_only_regular_files_into_the_images_folder() {
        if (!has_posix_files)
            QSKIP(
                "FIFOs, devices and /proc are what this guards against; Windows has none of them");
        use_mode("forward", true, true);
        QTemporaryDir originals;
        const QString real = originals.filePath("photo.png");
        const QString fifo = originals.filePath("pipe.png");
        QVERIFY(sample_image(qRgb(5, 6, 7)).save(real));
        QCOMPARE(QProcess::execute("mkfifo", {fifo}), 0);
        auto* data = new QMimeData;
        data->setImageData(sample_image(qRgb(5, 6, 7)));
        data->setUrls({QUrl::fromLocalFile(fifo), QUrl::fromLocalFile("/proc/self/status"),
                       QUrl::fromLocalFile(real)});
        copy_mime(data);
        QTRY_COMPARE(app->mime_copier().file_copier().pending(), 0);
        QCOMPARE(QDir(images_dir()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{"photo.png"});
    }

    void the_run_folder_goes_with_the_program() {
        const QString temp = app->temp_dir_path();
        QVERIFY(QFileInfo(temp + "/curr").isDir() && QFileInfo(temp + "/temp").isDir());
        app.reset();
        QVERIFY(!QFileInfo::exists(temp));
    }

    void clipboard_images_are_saved_with_the_next_number() {
        use_mode("forward", true, true);
        const QImage first = sample_image(qRgb(10, 20, 30));
        auto* data = new QMimeData;
        data->setImageData(first);
        copy_mime(data);
        const QString path = images_dir() + "/image1.png";
        QVERIFY(QFileInfo::exists(path));
        QCOMPARE(QImage(path).convertToFormat(QImage::Format_ARGB32), first);
        if (has_posix_files)
            QCOMPARE(QFileInfo(images_dir()).permissions() & 0x7077,
                     QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        if (has_posix_files)
            QCOMPARE(QFileInfo(path).permissions() & 0x7077,
                     QFile::Permissions(QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QDir(images_dir()).entryList(QDir::Hidden | QDir::Files).size() ==
                1); // no leftovers

        // A deleted image leaves a gap: the next number must not overwrite image2.
        QFile(images_dir() + "/other.txt").open(QIODevice::WriteOnly);
        QFile::copy(path, images_dir() + "/image3.png");
        QFile::remove(images_dir() + "/other.txt");
        auto* second = new QMimeData;
        second->setImageData(sample_image(qRgb(99, 99, 99)));
        copy_mime(second);
        QVERIFY(QFileInfo::exists(images_dir() + "/image4.png"));
        QCOMPARE(QImage(images_dir() + "/image3.png").convertToFormat(QImage::Format_ARGB32),
                 first);
    }

    void a_full_images_folder_saves_nothing() {
        use_mode("forward", true, true);
        QDir().mkpath(images_dir());
        for (int i = 0; i < 1000; ++i)
            QFile(images_dir() + QStringLiteral("/f%1").arg(i)).open(QIODevice::WriteOnly);
        auto* data = new QMimeData;
        data->setImageData(sample_image(qRgb(1, 1, 1)));
        copy_mime(data);
        QCOMPARE(QDir(images_dir()).count(), 1000u + 2u);               // with . and ..
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.size(), 1); // still recorded
    }

    void an_images_path_that_is_a_file_is_reported_not_fatal() {
        use_mode("forward", true, true);
        QFile blocker(images_dir());
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
        blocker.close();
        auto* data = new QMimeData;
        data->setImageData(sample_image(qRgb(1, 1, 1)));
        copy_mime(data);
        QVERIFY(QFileInfo(images_dir()).isFile());
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.size(), 1);
    }

    void an_images_folder_of_another_user_is_refused_and_an_open_one_of_ours_narrowed() {
        use_mode("forward", true, true);
        QTemporaryDir foreign;
        if (PrivateFiles::current_user_id() == 0) {
            // As root: a folder that belongs to "nobody".
            QVERIFY(QProcess::execute("chown", {"65534", foreign.path()}) == 0);
            QVERIFY(QFile::link(foreign.path(), images_dir()));
        } else {
            QVERIFY(QFile::link(QStringLiteral("/"), images_dir())); // root's
        }
        auto* data = new QMimeData;
        data->setImageData(sample_image(qRgb(1, 2, 3)));
        copy_mime(data);
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.size(), 1); // still queued
        QVERIFY(!QFileInfo::exists(images_dir() + "/image1.png"));

        QFile::remove(images_dir());
        QVERIFY(QDir().mkdir(images_dir()));
        QFile::setPermissions(images_dir(), QFile::Permissions(0x7755));
        auto* second = new QMimeData;
        second->setImageData(sample_image(qRgb(4, 5, 6)));
        copy_mime(second);
        QVERIFY(QFileInfo::exists(images_dir() + "/image1.png"));
        if (has_posix_files)
            QCOMPARE(QFileInfo(images_dir()).permissions() & 0x0077, QFile::Permissions());
    }

    void a_large_text_is_captured_whole() {
        use_mode("forward", true, false);
        const QString big(50 * 1000 * 1000, QLatin1Char('x'));
        AppHarness::copy_text(big);
        QCOMPARE(app->m_corvana_clipboard_text_history.size(), 1);
        QCOMPARE(app->m_corvana_clipboard_text_history.first().size(), big.size());
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
