#include "AppHarness.h"
#include "CoreFixture.h"
#include "PosixFiles.h"
#include "TestPictures.h"
#include "TestWidgets.h"
#include "clipboard/CapturedMimeData.h"
#include "clipboard/ClipboardFetchPlan.h"
#include "clipboard/PictureDecoder.h"
#include "clipboard/SecretContent.h"
#include "common/PrivateFiles.h"

#include <QtTest>

// What a copy puts in the history: reading the clipboard, snapshots of files, saved pictures.
class TestCapture : public QObject {
    Q_OBJECT

    static QString images_dir() { return DataPaths::get().images_dir(); }
    static QImage saved(const QString& name) { return QImage(images_dir() + "/" + name); }
    static QFile::Permissions mode(const QString& p) { return QFileInfo(p).permissions() & 0x7077; }
    static QClipboard* clipboard() { return QGuiApplication::clipboard(); }
    static QImage rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }
    static QImage gradient() { return TestPictures::pattern(40, 30).toImage(); }
    static QByteArray encoded(const QImage& image, const char* format) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format);
        return bytes;
    }
    static QMimeData* picture(QRgb colour, const QList<QUrl>& urls = {}) {
        QImage image(7, 5, QImage::Format_ARGB32);
        image.fill(colour);
        image.setPixel(3, 2, qRgba(1, 2, 3, 255));
        auto* data = new QMimeData;
        data->setImageData(image);
        if (!urls.isEmpty())
            data->setUrls(urls);
        return data;
    }
    static QMimeData* file_list(const QStringList& paths) {
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        auto* data = new QMimeData;
        data->setUrls(urls);
        return data;
    }
    // A file of size zero bytes, at path.
    static QString write_file(const QString& path, qint64 size) {
        return TestWidgets::write_file(path, QByteArray(size, 0)) ? path : QString();
    }

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
                QCOMPARE(QStringLiteral("%1 %2 %3 %4")
                             .arg(texts.value(0, "."), texts.value(texts.size() - 1, "."))
                             .arg(core.history.size())
                             .arg(core.position()),
                         c.mid(4).join(' '));
                QCOMPARE(texts.size(), core.history.size());
                // A copy, not the clipboard's own object.
                QVERIFY(!core.state.m_corvana_clipboard_mime_data_history.contains(
                    const_cast<QMimeData*>(clipboard()->mimeData())));
            }
        }
    }

    void what_the_text_history_records() {
        CoreFixture core;
        core.copy({"A", "B"});
        QCOMPARE(core.paste(), QStringLiteral("A")); // not recorded as a copy
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

    void regular_files_of_10_mb_or_less_are_snapshotted_once_and_privately() {
        CoreFixture core(QStringLiteral("forward"), true, true);
        QTemporaryDir originals;
        const QString small = write_file(originals.filePath("small.bin"), 10'400'000);
        const QString large = write_file(originals.filePath("large.bin"), 11'200'000);
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

        // A paste hands out the snapshot (that every paste hands out the same one, and none is
        // copied while the keys wait, is the end-to-end capture test's, with real pastes).
        core.position() = 0;
        core.engine.paste();
        QCOMPARE(clipboard()->mimeData()->urls().first().toLocalFile(), snapshot);

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

        // A kernel file is never read (it says size 0 and may read out gigabytes), in a list or
        // as a picture's link; a file manager pastes the snapshots: every file list in the entry
        // names them, the rest of it byte for byte as sent. (A FIFO or a device, never even
        // opened: the hostile-owners end-to-end test; a cut keeps naming its originals: the
        // uri_list fuzz target's cut seeds.)
        if (!has_posix_files)
            return; // Windows has no kernel files
        core.settings.m_file_copy_enabled = true;
        const QUrl kernel = QUrl::fromLocalFile("/proc/self/status");
        const QByteArray gnome = "copy\n" + kernel.toEncoded() + "\n";
        QMimeData* data = file_list({kernel.toLocalFile(), small});
        for (const char* list : {"x-special/gnome-copied-files", "x-special/mate-copied-files"})
            data->setData(list, gnome + QUrl::fromLocalFile(small).toEncoded());
        CoreFixture::copy(data);
        QTRY_COMPARE(core.copier.pending_snapshots(), 0);
        entry = core.state.m_corvana_clipboard_mime_data_history.last();
        QCOMPARE(entry->urls().value(0), kernel); // left as it was, unread
        const QString listed = entry->urls().value(1).toLocalFile();
        QVERIFY(listed.startsWith(temp));
        for (const char* list : {"x-special/gnome-copied-files", "x-special/mate-copied-files"})
            QCOMPARE(entry->data(list), gnome + QUrl::fromLocalFile(listed).toEncoded());
        core.position() = core.history.size() - 1;
        core.engine.paste();
        QCOMPARE(clipboard()->mimeData()->data("x-special/gnome-copied-files"),
                 entry->data("x-special/gnome-copied-files"));

        const QString photo = originals.filePath("photo.png");
        QVERIFY(QImage(4, 4, QImage::Format_RGB32).save(photo));
        CoreFixture::copy(picture(qRgb(5, 6, 7), {kernel, QUrl::fromLocalFile(photo)}));
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
            QCOMPARE(mode(images_dir()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QCOMPARE(mode(images_dir() + "/image1.png"), QFile::ReadOwner | QFile::WriteOwner);
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
        QVERIFY(QFileInfo(images_dir()).isFile() && QFile::remove(images_dir()));
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
            QCOMPARE(mode(images_dir()) & 0x0077, QFile::Permissions());
    }

    // Each case: the formats offered, those read and the picture's (a Qt image is a PNG).
    void the_plan_reads_each_format_once_and_one_lossless_picture() {
        const char* cases[][3] = {
            {"text/plain image/bmp image/png text/html image/jpeg image/tiff text/plain image/png",
             "text/plain text/html image/png image/jpeg", "image/png png"},
            {"image/tiff image/bmp image/jpeg", "image/bmp image/jpeg", "image/bmp"},
            {"image/jpeg", "image/jpeg", "image/jpeg"}, // read once, kept twice
            {"application/x-qt-image image/bmp", "application/x-qt-image",
             "application/x-qt-image png"}};
        for (const auto& [offered, formats, picture] : cases) {
            const ClipboardFetchPlan plan(QString(offered).split(' '));
            QCOMPARE(plan.formats(), QString(formats).split(' '));
            QCOMPARE(plan.picture() + (plan.picture_is_png() ? " png" : ""), QString(picture));
        }
    }

    void format_names_with_quotes_keep_their_own_keys() {
        // Each format reads back as its own name.
        struct NamesReader : ClipboardReader {
            Offer offer() override { return {true, {}, {}}; }
            Data fetch(const QString& format) override { return {true, format.toUtf8(), {}}; }
        } names;
        // A wrapped name alone is stored under the name it wraps.
        const QString wrapped = QStringLiteral("application/x-qt-windows-mime;value=\"%1\"");
        const QStringList kept = {"x\"text/plain\"y", "text/plain", "text/html", "\"\""};
        const QStringList offered =
            kept + QStringList{wrapped.arg("text/html"), wrapped.arg("Rich Text Format")};
        for (const QStringList& order : {offered, QStringList(offered.rbegin(), offered.rend())}) {
            MimeDataCopier copier;
            QStringList failures;
            std::unique_ptr<CapturedMimeData> entry(copier.capture(names, order, false, &failures));
            for (const QString& name : kept)
                QCOMPARE(entry->data(name), name.toUtf8());
            QCOMPARE(entry->data("Rich Text Format"), wrapped.arg("Rich Text Format").toUtf8());
        }
    }

    // The owner's PNG is read once and kept byte for byte; without one, the best lossless
    // picture is read once and converted.
    void a_picture_costs_one_read_and_keeps_the_owners_png() {
        const QImage image = gradient();
        const QByteArray png = encoded(image, "PNG");
        for (const bool owner_png : {true, false}) {
            CoreFixture core(QStringLiteral("forward"), true, true);
            QDir(images_dir()).removeRecursively();
            if (owner_png)
                core.reader.script({{"image/png", png},
                                    {"image/jpeg", encoded(image, "JPEG")},
                                    {"image/bmp", encoded(image, "BMP")},
                                    {"image/tiff", QByteArray(5000, 't')},
                                    {"text/html", "<img src=x>"}});
            else
                core.reader.script({{"image/bmp", encoded(image, "BMP")}, {"TIMESTAMP", "x"}});
            core.capture.capture();
            const QMap<QString, int> fetched = core.reader.fetches();
            QCOMPARE(fetched.value("image/png") + fetched.value("image/bmp"), 1);
            QCOMPARE(fetched.value("image/jpeg") + fetched.value("text/html"), owner_png ? 2 : 0);
            QCOMPARE(fetched.value("image/tiff"), 0);
            const QMimeData* entry = core.state.m_corvana_clipboard_mime_data_history.first();
            QCOMPARE(rgb(qvariant_cast<QImage>(entry->imageData())), image);
            QCOMPARE(rgb(QImage::fromData(entry->data("image/png"))), image);
            if (!owner_png)
                continue;
            // Written to the images folder byte for byte as the owner sent it.
            QCOMPARE(TestWidgets::read_file(images_dir() + "/image1.png"), png);
            // A paste offers the same bytes, and the picture for any other encoding.
            core.position() = 0;
            core.engine.paste();
            QCOMPARE(clipboard()->mimeData()->data("image/png"), png);
            QVERIFY(clipboard()->mimeData()->hasImage());
        }
    }
    void pictures_larger_than_the_limit_are_not_decoded() {
        CoreFixture core(QStringLiteral("forward"), true, true);
        QImage large(9000, 8000, QImage::Format_Mono); // 72 million pixels in 9 MB
        large.fill(0);
        const QByteArray bmp = encoded(large, "BMP");
        QVERIFY(!bmp.isEmpty());
        core.reader.script({{"image/bmp", bmp}, {"text/plain", "caption"}});
        core.capture.capture();
        QCOMPARE(core.history.size(), 1);
        const QMimeData* entry = core.state.m_corvana_clipboard_mime_data_history.first();
        QVERIFY(!entry->hasFormat("image/png"));
        QCOMPARE(entry->text(), QStringLiteral("caption"));

        const QByteArray png = encoded(large, "PNG");
        CapturedMimeData data;
        data.setData("image/png", png);
        data.set_image_source("image/png");
        QVERIFY(qvariant_cast<QImage>(data.imageData()).isNull());
        // An icon whose directory says 256 x 256 over a PNG of 9000 x 8000 (a GIF's canvas and
        // a drawing are the picture fuzz target's seeds); refused at any size, a PNG with a
        // chunk that claims 100 MB of its few hundred bytes, which libpng would set aside.
        QByteArray icon("\0\0\x01\0\x01\0\0\0\0\0\x01\0\x20\0", 14);
        for (const quint32 value : {quint32(png.size()), 22u})
            for (int byte = 0; byte < 4; ++byte)
                icon += char(value >> (8 * byte));
        icon += png;
        QByteArray damaged = encoded(gradient(), "PNG");
        damaged.insert(damaged.size() - 12, QByteArray("\x06\0\0\0tEXtComment\0x", 17));
        QString error;
        for (const auto& [picture, why] : {std::pair<QByteArray, const char*>(bmp, "9000 x 8000"),
                                           {icon, "9000 x 8000"},
                                           {damaged, "damaged"}}) {
            QVERIFY(PictureDecoder::decode(picture, &error).isNull());
            QVERIFY2(error.contains(why), qPrintable(error));
        }
    }

    // An owner that does not answer records nothing, and the next copy is read. The owner of
    // the clipboard exited (as a change to nothing, or its own report): not a copy. The queue,
    // its position and its lock stay, and the clipboard gets the last copy back.
    void a_hung_owner_or_an_emptied_clipboard_records_nothing() {
        for (bool rich : {true, false}) {
            CoreFixture core(QStringLiteral("forward"), true, rich);
            core.reader.set_hung(true);
            CoreFixture::copy(QStringLiteral("hung"));
            QCOMPARE(core.history.size(), 0);
            core.reader.set_hung(false);
            core.copy({"A", "B"});
            core.position() = 0;
            core.history.lock();
            clipboard()->clear();
            QVERIFY(core.texts() == QStringList({"A", "B"}) && core.position() == 0);
            QVERIFY(core.history.locked());
            QCOMPARE(clipboard()->text(), QStringLiteral("B"));
            QCOMPARE(core.owner.served_texts(), QStringList({"B"}));
            CoreFixture::copy(QStringLiteral("C"));
            QVERIFY(!core.history.locked());
            core.owner.report_owner_gone();
            QCOMPARE(core.owner.served_texts(), QStringList({"B", "C"}));
            QCOMPARE(core.history.size(), 3);
        }
    }

    // A mark that is offered but cannot be read counts as secret: whatever it said, the copy is
    // treated as one. Every paste hands the mark on, so other clipboard tools skip it too (the
    // end-to-end clipboard-manager test checks a paste's mark, the history test that a secret
    // stays out of the autocomplete store).
    void secret_content_is_queued_but_never_printed_or_stored() {
        for (const bool rich : {true, false})
            for (const bool readable : {true, false}) {
                const QByteArray password = "correct horse battery staple";
                const QString hint = QLatin1String(SecretContent::hint_format());
                CoreFixture core(QStringLiteral("forward"), true, rich);
                core.reader.script({{"text/plain", password},
                                    {hint, "secret"},
                                    {"image/png", encoded(gradient(), "PNG")}});
                if (!readable)
                    core.reader.fail(hint);
                // Neither the capture nor the paste prints it.
                const QByteArray printed = AppHarness::standard_output_of([&] {
                    core.capture.capture();
                    core.reader.clear_script();
                    core.position() = 0;
                    core.engine.paste();
                });
                QVERIFY2(!printed.contains(password), printed.constData());
                QVERIFY(core.history.is_secret(0)); // masked in the history
                QVERIFY(!QFileInfo::exists(images_dir() + "/image1.png"));
                QCOMPARE(clipboard()->text(), QString::fromUtf8(password)); // pastes as copied
                // Emptied by its owner, the clipboard gets the entry back, marked.
                clipboard()->clear();
                QCOMPARE(clipboard()->mimeData()->data(hint), QByteArray("secret"));
            }
    }

    void log_previews_show_at_most_80_characters_and_the_length() {
        QCOMPARE(SecretContent::log_preview("hunter2", true), "[secret] (7 characters)");
        QCOMPARE(SecretContent::log_preview("two\nlines", false), "two\\nlines (9 characters)");
        const QString long_text = QString(79, 'a') + QStringLiteral("\U0001F600") + "tail";
        QCOMPARE(SecretContent::log_preview(long_text, false), // no half emoji
                 QString(79, 'a') + "... (85 characters)");
    }
};

QTEST_MAIN(TestCapture)
#include "tst_capture.moc"
