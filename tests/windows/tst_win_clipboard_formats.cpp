// The conversions between the clipboard's Windows formats and MIME data, fed with what another
// program could put there: well-formed records, and records whose sizes and offsets lie.
#include "WinClipboardFormats.h"

#include <QtTest>

#include <cstring>

#include <windows.h>

#include <shlobj.h>

class TestWinClipboardFormats : public QObject {
    Q_OBJECT
private slots:
    void text_round_trip();
    void text_without_end();
    void html_round_trip();
    void html_with_lying_offsets();
    void picture_round_trip();
    void picture_with_lying_header();
    void file_list_round_trip();
    void file_list_with_lying_offset();
    void live_and_handle_formats_are_never_read();
    void qt_wrapper_names();
};

void TestWinClipboardFormats::text_round_trip() {
    const QByteArray utf8 = QStringLiteral("grüße\nzweite Zeile 😀").toUtf8();
    const QByteArray native = WinClipboardFormats::unicode_text_from_utf8(utf8);
    // Windows programs get CR LF and an ending NUL.
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(native.constData())),
             QStringLiteral("grüße\r\nzweite Zeile 😀"));
    QCOMPARE(native.right(2), QByteArray(2, '\0'));
    QCOMPARE(WinClipboardFormats::utf8_from_unicode_text(native),
             QStringLiteral("grüße\r\nzweite Zeile 😀").toUtf8());
}

void TestWinClipboardFormats::text_without_end() {
    // No NUL and an odd byte count: read up to the last whole character, nothing beyond.
    QByteArray bytes;
    for (const char16_t unit : {u'a', u'b', u'c'})
        bytes.append(reinterpret_cast<const char*>(&unit), 2);
    bytes.append('x');
    QCOMPARE(WinClipboardFormats::utf8_from_unicode_text(bytes), QByteArray("abc"));
    QCOMPARE(WinClipboardFormats::utf8_from_unicode_text(QByteArray()), QByteArray());
}

void TestWinClipboardFormats::html_round_trip() {
    const QByteArray html = "<b>bold</b> and <i>ä</i>";
    const QByteArray record = WinClipboardFormats::cf_html_from_html(html);
    QVERIFY(record.startsWith("Version:0.9\r\nStartHTML:"));
    const QByteArray back = WinClipboardFormats::html_from_cf_html(record);
    QVERIFY2(back.contains(html), back.constData());
    QVERIFY(back.startsWith("<html>"));
    QVERIFY(back.endsWith("</html>"));
}

void TestWinClipboardFormats::html_with_lying_offsets() {
    // Offsets past the end: the fragment markers are used when they are in range, else the
    // markup after the header; never bytes from beyond the record.
    const QByteArray beyond =
        "Version:0.9\r\nStartHTML:0000000100\r\nEndHTML:0000099999\r\n<p>x</p>";
    QCOMPARE(WinClipboardFormats::html_from_cf_html(beyond), QByteArray("<p>x</p>"));
    const QByteArray reversed = "Version:0.9\r\nStartHTML:50\r\nEndHTML:10\r\n<p>y</p>";
    QCOMPARE(WinClipboardFormats::html_from_cf_html(reversed), QByteArray("<p>y</p>"));
    const QByteArray huge = "StartHTML:99999999999999999999\r\nEndHTML:1\r\n";
    QVERIFY(WinClipboardFormats::html_from_cf_html(huge).isEmpty());
}

void TestWinClipboardFormats::picture_round_trip() {
    QImage image(7, 5, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 255));
    image.setPixel(0, 0, qRgba(255, 0, 0, 255));
    image.setPixel(6, 4, qRgba(0, 0, 255, 255));
    const QByteArray dib = WinClipboardFormats::dib_from_image(image);
    const QByteArray bmp = WinClipboardFormats::bmp_from_dib(dib);
    QVERIFY(bmp.startsWith("BM"));
    QImage back;
    QVERIFY(back.loadFromData(bmp, "BMP"));
    QCOMPARE(back.size(), image.size());
    QCOMPARE(QColor(back.pixel(0, 0)), QColor(255, 0, 0));
    QCOMPARE(QColor(back.pixel(6, 4)), QColor(0, 0, 255));
    QCOMPARE(QColor(back.pixel(3, 2)), QColor(10, 20, 30));
}

void TestWinClipboardFormats::picture_with_lying_header() {
    BITMAPINFOHEADER header = {};
    header.biSize = 4000; // longer than the data
    header.biWidth = 2;
    header.biHeight = 2;
    header.biBitCount = 32;
    QByteArray dib(reinterpret_cast<const char*>(&header), sizeof(header));
    dib.append(16, '\0');
    QVERIFY(WinClipboardFormats::bmp_from_dib(dib).isEmpty());
    header.biSize = sizeof(header);
    header.biBitCount = 8;
    header.biClrUsed = 100000; // a colour table far beyond the data
    dib = QByteArray(reinterpret_cast<const char*>(&header), sizeof(header));
    QVERIFY(WinClipboardFormats::bmp_from_dib(dib).isEmpty());
    QVERIFY(WinClipboardFormats::bmp_from_dib(QByteArray(10, 'x')).isEmpty());
}

void TestWinClipboardFormats::file_list_round_trip() {
    const QByteArray list = "file:///C:/Users/a%20b/one.txt\r\nfile:///C:/two.png\r\n";
    const QByteArray drop = WinClipboardFormats::drop_files_from_uri_list(list);
    QVERIFY(drop.size() > int(sizeof(DROPFILES)));
    QCOMPARE(WinClipboardFormats::uri_list_from_drop_files(drop), list);
    // Anything but local files has no place in a file list.
    QVERIFY(WinClipboardFormats::drop_files_from_uri_list("https://example.org/\r\n").isEmpty());
}

void TestWinClipboardFormats::file_list_with_lying_offset() {
    DROPFILES header = {};
    header.pFiles = 100000;
    header.fWide = TRUE;
    QByteArray drop(reinterpret_cast<const char*>(&header), sizeof(header));
    drop.append("a\0\0\0", 4);
    QVERIFY(WinClipboardFormats::uri_list_from_drop_files(drop).isEmpty());
    // A list without its closing empty name ends at the data's end, no further.
    header.pFiles = sizeof(header);
    drop = QByteArray(reinterpret_cast<const char*>(&header), sizeof(header));
    const char16_t name[] = u"C:\\x.txt";
    drop.append(reinterpret_cast<const char*>(name), int(sizeof(name)) - 2); // no NUL at all
    QVERIFY(WinClipboardFormats::uri_list_from_drop_files(drop).isEmpty());
}

void TestWinClipboardFormats::live_and_handle_formats_are_never_read() {
    for (const char* name : {"Link Source", "ObjectLink", "OwnerLink", "Native", "Embed Source"})
        QVERIFY2(WinClipboardFormats::never_read(0xC100, QLatin1String(name)), name);
    for (const UINT handle_format :
         {CF_BITMAP, CF_METAFILEPICT, CF_PALETTE, CF_ENHMETAFILE, CF_OWNERDISPLAY, CF_DSPTEXT,
          CF_DSPBITMAP, CF_DSPMETAFILEPICT, CF_DSPENHMETAFILE, CF_PRIVATEFIRST, CF_PRIVATELAST,
          CF_GDIOBJFIRST, CF_GDIOBJLAST})
        QVERIFY2(WinClipboardFormats::never_read(handle_format, QString()),
                 qPrintable(QString::number(handle_format)));
    QVERIFY(!WinClipboardFormats::never_read(CF_UNICODETEXT, QString()));
    QCOMPARE(WinClipboardFormats::standard_name(CF_UNICODETEXT), QStringLiteral("CF_UNICODETEXT"));
    QCOMPARE(WinClipboardFormats::standard_name(CF_HDROP), QStringLiteral("CF_HDROP"));
    QCOMPARE(WinClipboardFormats::standard_name(CF_DIBV5), QStringLiteral("CF_DIBV5"));
    QVERIFY(!WinClipboardFormats::never_read(0xC100, QStringLiteral("HTML Format")));
    QVERIFY(WinClipboardFormats::is_secret_marker(QStringLiteral("Clipboard Viewer Ignore")));
    QVERIFY(WinClipboardFormats::is_secret_marker(QStringLiteral("CanIncludeInClipboardHistory")));
    QVERIFY(!WinClipboardFormats::is_secret_marker(QStringLiteral("PNG")));
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
