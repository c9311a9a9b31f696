#include "AppHarness.h"
#include "CoreFixture.h"
#include "TestPictures.h"
#include "TestWidgets.h"
#include "clipboard/CapturedMimeData.h"
#include "clipboard/ClipboardFetchPlan.h"
#include "clipboard/PictureDecoder.h"
#include "clipboard/SecretContent.h"

#include <QtTest>

namespace {
QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage gradient() {
    return TestPictures::pattern(40, 30).toImage();
}
} // namespace

class TestCaptureReading : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() { QDir(DataPaths::get().images_dir()).removeRecursively(); }

    // Each case: the formats offered, those read and the picture's (a Qt image is a PNG).
    void the_plan_reads_each_format_once_and_one_lossless_picture() {
        const QStringList cases[][3] = {
            {{"text/plain", "image/bmp", "image/png", "text/html", "image/jpeg", "image/tiff",
              "text/plain", "image/png"},
             {"text/plain", "text/html", "image/png", "image/jpeg"},
             {"image/png", "png"}},
            {{"image/tiff", "image/bmp", "image/jpeg"}, {"image/bmp", "image/jpeg"}, {"image/bmp"}},
            {{"image/jpeg"}, {"image/jpeg"}, {"image/jpeg"}}, // read once, kept twice
            {{"application/x-qt-image", "image/bmp"},
             {"application/x-qt-image"},
             {"application/x-qt-image", "png"}}};
        for (const auto& [offered, formats, picture] : cases) {
            const ClipboardFetchPlan plan(offered);
            QCOMPARE(plan.formats(), formats);
            QCOMPARE(plan.picture() + (plan.picture_is_png() ? " png" : ""), picture.join(' '));
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
        QStringList offered = kept;
        offered << wrapped.arg("text/html") << wrapped.arg("Rich Text Format");
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
            QDir(DataPaths::get().images_dir()).removeRecursively();
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
            QCOMPARE(
                qvariant_cast<QImage>(entry->imageData()).convertToFormat(QImage::Format_RGB32),
                image);
            QCOMPARE(
                QImage::fromData(entry->data("image/png")).convertToFormat(QImage::Format_RGB32),
                image);
            if (!owner_png)
                continue;
            // Written to the images folder byte for byte as the owner sent it.
            QCOMPARE(TestWidgets::read_file(DataPaths::get().images_dir() + "/image1.png"), png);
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
            QCOMPARE(core.texts(), QStringList({"A", "B"}));
            QCOMPARE(core.position(), 0);
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
    // treated as one. Every paste hands the mark on, so other clipboard tools skip it too.
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
                const QByteArray printed =
                    AppHarness::standard_output_of([&] { core.capture.capture(); });
                QVERIFY2(!printed.contains(password), printed.constData());
                QCOMPARE(core.history.size(), 1);
                QVERIFY(core.history.is_secret(0)); // masked in the history
                QVERIFY(!QFileInfo::exists(DataPaths::get().images_dir() + "/image1.png"));
                QVERIFY(core.inserted.isEmpty()); // nothing for the autocomplete store
                core.reader.clear_script();
                core.position() = 0;
                const QByteArray pasted =
                    AppHarness::standard_output_of([&] { core.engine.paste(); });
                QVERIFY(!pasted.contains(password));
                QCOMPARE(clipboard()->text(), QString::fromUtf8(password)); // pastes as copied
                QCOMPARE(clipboard()->mimeData()->data(hint), QByteArray("secret"));
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

QTEST_MAIN(TestCaptureReading)
#include "tst_capture_reading.moc"
