// What another Windows program puts on the clipboard, read as each format Corvana converts: one
// input is tried as UTF-16 text, an "HTML Format" record, a DIB, a DROPFILES block and a list of
// files to paste. No read goes past the data (the sanitizers see every one), the results are
// well-formed, and what Corvana writes back reads the same.
#include "FuzzSupport.h"
#include "clipboard/PictureDecoder.h"
#include "platform/win/WinClipboardFormats.h"

#include <QtEndian>

namespace {
QList<QByteArray> lines(const QByteArray& list) {
    QList<QByteArray> result = list.split('\n');
    result.removeLast(); // after the last line's end
    return result;
}

void check_text(const QByteArray& input) {
    const QByteArray utf8 = WinClipboardFormats::utf8_from_unicode_text(input);
    FUZZ_CHECK(!utf8.contains('\0'));
    // Written back, as Qt reads UTF-8: a leading byte order mark is no text.
    const QByteArray mark = "\xEF\xBB\xBF";
    const QByteArray back = WinClipboardFormats::utf8_from_unicode_text(
        WinClipboardFormats::unicode_text_from_utf8(utf8));
    // Line ends aside, which Windows wants as CR LF.
    const QByteArray kept = utf8.startsWith(mark) ? utf8.mid(3) : utf8;
    FUZZ_CHECK(QByteArray(back).replace("\r\n", "\n") == QByteArray(kept).replace("\r\n", "\n"));
}

void check_html(const QByteArray& input) {
    const QByteArray html = WinClipboardFormats::html_from_cf_html(input);
    FUZZ_CHECK(html.size() <= input.size() && !html.contains('\0'));
    if (input.contains('\0'))
        return;
    // What Corvana writes is found by its own offsets.
    FUZZ_CHECK(
        WinClipboardFormats::html_from_cf_html(WinClipboardFormats::cf_html_from_html(input)) ==
        "<html><body>\r\n<!--StartFragment-->" + input + "<!--EndFragment-->\r\n</body></html>");
}

void check_picture(const QByteArray& input) {
    const QByteArray bmp = WinClipboardFormats::bmp_from_dib(input);
    if (bmp.isEmpty())
        return;
    FUZZ_CHECK(bmp.startsWith("BM") && bmp.size() == 14 + input.size());
    const quint32 pixels_at = qFromLittleEndian<quint32>(bmp.constData() + 10);
    FUZZ_CHECK(pixels_at >= 14 + 40 && pixels_at <= quint32(bmp.size()));
    const qint32 width = qFromLittleEndian<qint32>(input.constData() + 4);
    const qint32 height = qFromLittleEndian<qint32>(input.constData() + 8);
    const qint64 rows = height < 0 ? -qint64(height) : qint64(height);
    if (qint64(width) * rows > (1 << 22))
        return; // packed pixels can claim any size; the decoder has its own limit
    const QImage image = PictureDecoder::decode(bmp);
    // The DIB every program writes (a plain header, 24 or 32 bits, no colour table) decodes.
    const auto field = [&](int at) { return qFromLittleEndian<quint32>(input.constData() + at); };
    const quint16 bits = qFromLittleEndian<quint16>(input.constData() + 14);
    const bool plain = field(0) == 40 && field(16) == 0 && field(32) == 0 &&
                       qFromLittleEndian<quint16>(input.constData() + 12) == 1 &&
                       (bits == 24 || bits == 32);
    FUZZ_CHECK(!plain || !image.isNull());
    FUZZ_CHECK(image.isNull() || image.size() == QSize(width, int(rows)));
}

void check_files(const QByteArray& input) {
    const QByteArray list = WinClipboardFormats::uri_list_from_drop_files(input);
    for (const QByteArray& line : lines(list))
        FUZZ_CHECK(line.startsWith("file:") && line.endsWith('\r') && !line.contains('\0'));
    const auto round_trip = [](const QByteArray& uri_list) {
        return WinClipboardFormats::uri_list_from_drop_files(
            WinClipboardFormats::drop_files_from_uri_list(uri_list));
    };
    // Written back and read again, twice, every file stays one file. (The names may change on
    // the way here: on Linux a relative name's slashes become backslashes, and Qt puts a slash
    // before a name that starts with a colon.)
    FUZZ_CHECK(lines(round_trip(list)).size() == lines(list).size());
    FUZZ_CHECK(lines(round_trip(round_trip(list))).size() == lines(list).size());
    // The input as a list to paste: a line names one file at most, never two.
    int named = 0;
    for (const QByteArray& line : input.split('\n'))
        named += line.trimmed().isEmpty() ? 0 : 1;
    FUZZ_CHECK(lines(round_trip(input)).size() <= named);
}

void check_image(const QByteArray& input) {
    if (input.size() < 2)
        return;
    // A small opaque picture made of the input, through a DIB and the BMP made of it.
    QImage image(1 + quint8(input[0]) % 8, 1 + quint8(input[1]) % 8, QImage::Format_RGB32);
    for (int i = 0; i < image.width() * image.height(); ++i) {
        const int at = 2 + i * 3;
        const auto byte = [&](int offset) {
            return at + offset < input.size() ? quint8(input[at + offset]) : 0;
        };
        image.setPixel(i % image.width(), i / image.width(), qRgb(byte(0), byte(1), byte(2)));
    }
    const QImage back = PictureDecoder::decode(
        WinClipboardFormats::bmp_from_dib(WinClipboardFormats::dib_from_image(image)));
    FUZZ_CHECK(back.convertToFormat(QImage::Format_RGB32) == image);
}
} // namespace

void fuzz_one(const QByteArray& input) {
    check_text(input);
    check_html(input);
    check_picture(input);
    check_files(input);
    check_image(input);
    const QString name = QString::fromUtf8(input);
    const QString unwrapped = WinClipboardFormats::unwrapped(WinClipboardFormats::wrapped(name));
    FUZZ_CHECK(unwrapped == (name.contains(QLatin1Char('"')) ? QString() : name));
}
