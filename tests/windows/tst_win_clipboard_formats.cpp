// The conversions between the clipboard's Windows formats and MIME data, fed with what another
// program could put there: well-formed records, and records whose sizes and offsets lie.
#include "WinClipboardFormats.h"

#include <QtTest>

#include <windows.h>

#include <shlobj.h>

namespace {
using F = WinClipboardFormats;

template <typename T> QByteArray bytes_of(const T& value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof(value));
}
} // namespace

class TestWinClipboardFormats : public QObject {
    Q_OBJECT
private slots:
    void round_trips() {
        // Windows programs get CR LF and an ending NUL.
        const QString lines = QStringLiteral("grüße\r\nZeile 😀");
        const QByteArray native =
            F::unicode_text_from_utf8(QStringLiteral("grüße\nZeile 😀").toUtf8());
        QCOMPARE(native,
                 QByteArray(reinterpret_cast<const char*>(lines.utf16()), (lines.size() + 1) * 2));
        QCOMPARE(F::utf8_from_unicode_text(native), lines.toUtf8());

        const QByteArray html = "<b>bold</b> and <i>ä</i>";
        const QByteArray record = F::cf_html_from_html(html);
        QVERIFY(record.startsWith("Version:0.9\r\nStartHTML:"));
        const QByteArray back = F::html_from_cf_html(record);
        QVERIFY2(back.contains(html) && back.startsWith("<html>") && back.endsWith("</html>"),
                 back.constData());

        QImage image(7, 5, QImage::Format_ARGB32);
        image.fill(qRgba(10, 20, 30, 255));
        image.setPixel(0, 0, qRgba(255, 0, 0, 255));
        image.setPixel(6, 4, qRgba(0, 0, 255, 255));
        QImage picture;
        QVERIFY(picture.loadFromData(F::bmp_from_dib(F::dib_from_image(image)), "BMP"));
        QCOMPARE(picture.convertToFormat(image.format()), image);

        const QByteArray list = "file:///C:/Users/a%20b/one.txt\r\nfile:///C:/two.png\r\n";
        const QByteArray drop = F::drop_files_from_uri_list(list);
        QVERIFY(drop.size() > int(sizeof(DROPFILES)));
        QCOMPARE(F::uri_list_from_drop_files(drop), list);
        // Anything but local files has no place in a file list.
        QVERIFY(F::drop_files_from_uri_list("https://example.org/\r\n").isEmpty());

        const QString wrapped = F::wrapped(QStringLiteral("Rich Text Format"));
        QCOMPARE(F::unwrapped(wrapped), QStringLiteral("Rich Text Format"));
        QVERIFY(F::unwrapped(QStringLiteral("text/plain")).isEmpty());
        // A quote inside would let one name stand in for another.
        QVERIFY(F::unwrapped(F::wrapped(QStringLiteral("a\"b"))).isEmpty());
    }

    // What another program puts there, sizes and offsets lying: read within the record, or nothing.
    void lying_records_data() {
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("expected");
        // The row's first word names the format read.
        const auto row = [](const char* name, const QByteArray& record,
                            const QByteArray& expected = {}) {
            QTest::newRow(name) << record << expected;
        };
        QByteArray text;
        for (const char16_t unit : {u'a', u'b', u'c'})
            text.append(reinterpret_cast<const char*>(&unit), 2);
        // No NUL and an odd byte count: up to the last whole character.
        row("text without end", text + 'x', "abc");
        row("text empty", {});
        // The fragment markers when in range, else the markup after the header.
        row("html beyond", "Version:0.9\r\nStartHTML:0000000100\r\nEndHTML:0000099999\r\n<p>x</p>",
            "<p>x</p>");
        row("html reversed", "Version:0.9\r\nStartHTML:50\r\nEndHTML:10\r\n<p>y</p>", "<p>y</p>");
        row("html huge", "StartHTML:99999999999999999999\r\nEndHTML:1\r\n");
        // Size, width, height, planes, bits per pixel: a header longer than the data.
        const BITMAPINFOHEADER too_long = {4000, 2, 2, 0, 32, 0, 0, 0, 0, 0, 0};
        row("dib header too long", bytes_of(too_long) + QByteArray(16, '\0'));
        // ... then compression, image size, resolutions and a colour table far beyond the data.
        const BITMAPINFOHEADER colours = {
            sizeof(BITMAPINFOHEADER), 2, 2, 0, 8, 0, 0, 0, 0, 100000, 0};
        row("dib colours beyond", bytes_of(colours));
        row("dib short", QByteArray(10, 'x'));
        // Offset to the names, position, client area, wide names.
        const DROPFILES beyond = {100000, {}, FALSE, TRUE};
        row("drop offset beyond", bytes_of(beyond) + QByteArray("a\0\0\0", 4));
        // A list without its closing empty name ends at the data's end, no further.
        const DROPFILES files = {sizeof(DROPFILES), {}, FALSE, TRUE};
        const char16_t name[] = u"C:\\x.txt";
        row("drop without end", bytes_of(files) + QByteArray(reinterpret_cast<const char*>(name),
                                                             int(sizeof(name)) - 2));
    }

    void lying_records() {
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, expected);
        const QHash<QString, QByteArray (*)(const QByteArray&)> read{
            {"text", F::utf8_from_unicode_text},
            {"html", F::html_from_cf_html},
            {"dib", F::bmp_from_dib},
            {"drop", F::uri_list_from_drop_files}};
        QCOMPARE(read.value(QString(QTest::currentDataTag()).section(' ', 0, 0))(record), expected);
    }

    // GDI handles and the display formats are no memory to read. OLE's live formats and the secret
    // marks are checked through the reader.
    void handle_formats_are_never_read() {
        for (const UINT handle_format :
             {CF_BITMAP, CF_METAFILEPICT, CF_PALETTE, CF_ENHMETAFILE, CF_OWNERDISPLAY, CF_DSPTEXT,
              CF_DSPBITMAP, CF_DSPMETAFILEPICT, CF_DSPENHMETAFILE, CF_PRIVATEFIRST, CF_PRIVATELAST,
              CF_GDIOBJFIRST, CF_GDIOBJLAST})
            QVERIFY2(F::never_read(handle_format, QString()),
                     qPrintable(QString::number(handle_format)));
        QVERIFY(!F::never_read(CF_UNICODETEXT, QString()));
    }
};

QTEST_GUILESS_MAIN(TestWinClipboardFormats)
#include "tst_win_clipboard_formats.moc"
