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
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<QByteArray>("expected");
        QByteArray text;
        for (const char16_t unit : {u'a', u'b', u'c'})
            text.append(reinterpret_cast<const char*>(&unit), 2);
        // No NUL and an odd byte count: up to the last whole character.
        QTest::newRow("text without end") << "text" << text + 'x' << QByteArray("abc");
        QTest::newRow("text empty") << "text" << QByteArray() << QByteArray();
        // The fragment markers when in range, else the markup after the header.
        QTest::newRow("html beyond")
            << "html"
            << QByteArray("Version:0.9\r\nStartHTML:0000000100\r\nEndHTML:0000099999\r\n<p>x</p>")
            << QByteArray("<p>x</p>");
        QTest::newRow("html reversed")
            << "html" << QByteArray("Version:0.9\r\nStartHTML:50\r\nEndHTML:10\r\n<p>y</p>")
            << QByteArray("<p>y</p>");
        QTest::newRow("html huge")
            << "html" << QByteArray("StartHTML:99999999999999999999\r\nEndHTML:1\r\n")
            << QByteArray();
        BITMAPINFOHEADER header = {};
        header.biSize = 4000; // longer than the data
        header.biWidth = 2;
        header.biHeight = 2;
        header.biBitCount = 32;
        QTest::newRow("dib header too long")
            << "dib" << bytes_of(header) + QByteArray(16, '\0') << QByteArray();
        header.biSize = sizeof(header);
        header.biBitCount = 8;
        header.biClrUsed = 100000; // a colour table far beyond the data
        QTest::newRow("dib colours beyond") << "dib" << bytes_of(header) << QByteArray();
        QTest::newRow("dib short") << "dib" << QByteArray(10, 'x') << QByteArray();
        DROPFILES files = {};
        files.pFiles = 100000;
        files.fWide = TRUE;
        QTest::newRow("drop offset beyond")
            << "drop" << bytes_of(files) + QByteArray("a\0\0\0", 4) << QByteArray();
        // A list without its closing empty name ends at the data's end, no further.
        files.pFiles = sizeof(files);
        const char16_t name[] = u"C:\\x.txt";
        QTest::newRow("drop without end")
            << "drop"
            << bytes_of(files) +
                   QByteArray(reinterpret_cast<const char*>(name), int(sizeof(name)) - 2)
            << QByteArray();
    }

    void lying_records() {
        QFETCH(QString, format);
        QFETCH(QByteArray, record);
        QFETCH(QByteArray, expected);
        const QHash<QString, QByteArray (*)(const QByteArray&)> read{
            {"text", F::utf8_from_unicode_text},
            {"html", F::html_from_cf_html},
            {"dib", F::bmp_from_dib},
            {"drop", F::uri_list_from_drop_files}};
        QCOMPARE(read.value(format)(record), expected);
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
