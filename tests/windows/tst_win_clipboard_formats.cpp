// The conversions between the clipboard's Windows formats and MIME data, fed with what another
// program could put there: well-formed records, and records whose sizes and offsets lie.
#include "WinClipboardFormats.h"

#include <QtTest>

#include <cstring>

#include <windows.h>

#include <shlobj.h>

namespace {
template <typename T> QByteArray bytes_of(const T& value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof(value));
}
} // namespace

class TestWinClipboardFormats : public QObject {
    Q_OBJECT
private slots:
    void round_trips();
    void lying_records_data();
    void lying_records();
    void handle_formats_are_never_read();
    void qt_wrapper_names();
};

void TestWinClipboardFormats::round_trips() {
    // Windows programs get CR LF and an ending NUL.
    const QByteArray native =
        WinClipboardFormats::unicode_text_from_utf8(QStringLiteral("grüße\nZeile 😀").toUtf8());
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(native.constData())),
             QStringLiteral("grüße\r\nZeile 😀"));
    QCOMPARE(native.right(2), QByteArray(2, '\0'));
    QCOMPARE(WinClipboardFormats::utf8_from_unicode_text(native),
             QStringLiteral("grüße\r\nZeile 😀").toUtf8());

    const QByteArray html = "<b>bold</b> and <i>ä</i>";
    const QByteArray record = WinClipboardFormats::cf_html_from_html(html);
    QVERIFY(record.startsWith("Version:0.9\r\nStartHTML:"));
    const QByteArray back = WinClipboardFormats::html_from_cf_html(record);
    QVERIFY2(back.contains(html) && back.startsWith("<html>") && back.endsWith("</html>"),
             back.constData());

    QImage image(7, 5, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(6, 4, qRgba(0, 0, 255, 255));
    QImage picture;
    QVERIFY(picture.loadFromData(
        WinClipboardFormats::bmp_from_dib(WinClipboardFormats::dib_from_image(image)), "BMP"));
    QCOMPARE(picture.size(), image.size());
    QCOMPARE(QColor(picture.pixel(0, 0)), QColor(255, 0, 0));
    QCOMPARE(QColor(picture.pixel(6, 4)), QColor(0, 0, 255));
    QCOMPARE(QColor(picture.pixel(3, 2)), QColor(10, 20, 30));

    const QByteArray list = "file:///C:/Users/a%20b/one.txt\r\nfile:///C:/two.png\r\n";
    const QByteArray drop = WinClipboardFormats::drop_files_from_uri_list(list);
    QVERIFY(drop.size() > int(sizeof(DROPFILES)));
    QCOMPARE(WinClipboardFormats::uri_list_from_drop_files(drop), list);
    // Anything but local files has no place in a file list.
    QVERIFY(WinClipboardFormats::drop_files_from_uri_list("https://example.org/\r\n").isEmpty());
}

// What another program puts there, sizes and offsets lying: read within the record, or nothing.
void TestWinClipboardFormats::lying_records_data() {
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
    QTest::newRow("html huge") << "html"
                               << QByteArray("StartHTML:99999999999999999999\r\nEndHTML:1\r\n")
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
        << bytes_of(files) + QByteArray(reinterpret_cast<const char*>(name), int(sizeof(name)) - 2)
        << QByteArray();
}

void TestWinClipboardFormats::lying_records() {
    QFETCH(QString, format);
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, expected);
    const QByteArray read =
        format == QLatin1String("text")   ? WinClipboardFormats::utf8_from_unicode_text(record)
        : format == QLatin1String("html") ? WinClipboardFormats::html_from_cf_html(record)
        : format == QLatin1String("dib")  ? WinClipboardFormats::bmp_from_dib(record)
                                          : WinClipboardFormats::uri_list_from_drop_files(record);
    QCOMPARE(read, expected);
}

// GDI handles and the display formats are no memory to read. OLE's live formats and the secret
// marks are checked through the reader.
void TestWinClipboardFormats::handle_formats_are_never_read() {
    for (const UINT handle_format :
         {CF_BITMAP, CF_METAFILEPICT, CF_PALETTE, CF_ENHMETAFILE, CF_OWNERDISPLAY, CF_DSPTEXT,
          CF_DSPBITMAP, CF_DSPMETAFILEPICT, CF_DSPENHMETAFILE, CF_PRIVATEFIRST, CF_PRIVATELAST,
          CF_GDIOBJFIRST, CF_GDIOBJLAST})
        QVERIFY2(WinClipboardFormats::never_read(handle_format, QString()),
                 qPrintable(QString::number(handle_format)));
    QVERIFY(!WinClipboardFormats::never_read(CF_UNICODETEXT, QString()));
}

void TestWinClipboardFormats::qt_wrapper_names() {
    const QString wrapped = WinClipboardFormats::wrapped(QStringLiteral("Rich Text Format"));
    QCOMPARE(WinClipboardFormats::unwrapped(wrapped), QStringLiteral("Rich Text Format"));
    QVERIFY(WinClipboardFormats::unwrapped(QStringLiteral("text/plain")).isEmpty());
    // A quote inside would let one name stand in for another.
    QVERIFY(WinClipboardFormats::unwrapped(WinClipboardFormats::wrapped(QStringLiteral("a\"b")))
                .isEmpty());
}

QTEST_GUILESS_MAIN(TestWinClipboardFormats)
#include "tst_win_clipboard_formats.moc"
