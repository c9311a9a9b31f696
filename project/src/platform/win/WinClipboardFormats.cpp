#include "WinClipboardFormats.h"

#include <QStringList>
#include <QUrl>
#include <QtEndian>

#include <cstring>

namespace {
const QString wrapper_start = QStringLiteral("application/x-qt-windows-mime;value=\"");

// The standard formats, numbered as winuser.h numbers them.
enum StandardFormat : unsigned {
    cf_text = 1,
    cf_bitmap = 2,
    cf_metafilepict = 3,
    cf_dib = 8,
    cf_palette = 9,
    cf_unicodetext = 13,
    cf_enhmetafile = 14,
    cf_hdrop = 15,
    cf_dibv5 = 17,
    cf_ownerdisplay = 0x80,
    cf_dsptext = 0x81,
    cf_dspbitmap = 0x82,
    cf_dspmetafilepict = 0x83,
    cf_dspenhmetafile = 0x8E,
    cf_privatefirst = 0x200,
    cf_privatelast = 0x2FF,
    cf_gdiobjfirst = 0x300,
    cf_gdiobjlast = 0x3FF,
};

// Byte offsets of the fields of the records the conversions read and write: Windows lays them
// out packed and little-endian.
namespace dropfiles {
constexpr int files = 0; // DWORD pFiles: where the names start
constexpr int wide = 16; // BOOL fWide: UTF-16 names, else ANSI
constexpr int size = 20;
} // namespace dropfiles
namespace bitmap_info { // BITMAPINFOHEADER
constexpr int size = 0;
constexpr int width = 4;
constexpr int height = 8;
constexpr int planes = 12;
constexpr int bit_count = 14;
constexpr int compression = 16;
constexpr int size_image = 20;
constexpr int colours_used = 32;
constexpr int length = 40;
} // namespace bitmap_info
namespace bitmap_file { // BITMAPFILEHEADER
constexpr int type = 0;
constexpr int size = 2;
constexpr int offset = 10;
constexpr int length = 14;
} // namespace bitmap_file
enum Compression : quint32 { bi_rgb = 0, bi_bitfields = 3, bi_alphabitfields = 6 };

template <typename T> T read(const QByteArray& bytes, int at) {
    return qFromLittleEndian<T>(bytes.constData() + at);
}
template <typename T> void write(QByteArray* bytes, int at, T value) {
    qToLittleEndian<T>(value, bytes->data() + at);
}

// UTF-16LE units from any byte offset, copied so that the source needs no alignment.
QString utf16_at(const QByteArray& bytes, int at, int units) {
    QString text(units, Qt::Uninitialized);
    qFromLittleEndian<quint16>(bytes.constData() + at, units, text.data());
    return text;
}

// The number after key in a CF_HTML header, -1 when missing or beyond the record's size.
int header_number(const QByteArray& record, const char* key) {
    const int at = record.indexOf(key);
    if (at < 0)
        return -1;
    int position = at + int(std::strlen(key));
    qint64 value = 0;
    int digits = 0;
    while (position < record.size() && record.at(position) >= '0' && record.at(position) <= '9' &&
           digits < 10) {
        value = value * 10 + (record.at(position) - '0');
        ++position;
        ++digits;
    }
    return digits > 0 && value <= record.size() ? int(value) : -1;
}
} // namespace

QString WinClipboardFormats::wrapped(const QString& native_name) {
    return wrapper_start + native_name + QLatin1Char('"');
}

QString WinClipboardFormats::unwrapped(const QString& format) {
    if (!format.startsWith(wrapper_start) || !format.endsWith(QLatin1Char('"')) ||
        format.size() <= wrapper_start.size() + 1)
        return QString();
    const QString name = format.mid(wrapper_start.size(), format.size() - wrapper_start.size() - 1);
    return name.contains(QLatin1Char('"')) ? QString() : name;
}

QString WinClipboardFormats::standard_name(unsigned format) {
    switch (format) {
    case cf_text:
        return QStringLiteral("CF_TEXT");
    case cf_unicodetext:
        return QStringLiteral("CF_UNICODETEXT");
    case cf_dib:
        return QStringLiteral("CF_DIB");
    case cf_dibv5:
        return QStringLiteral("CF_DIBV5");
    case cf_hdrop:
        return QStringLiteral("CF_HDROP");
    default:
        return QString();
    }
}

bool WinClipboardFormats::never_read(unsigned format, const QString& name) {
    switch (format) {
    case cf_bitmap:
    case cf_metafilepict:
    case cf_palette:
    case cf_enhmetafile:
    case cf_ownerdisplay:
    case cf_dsptext:
    case cf_dspbitmap:
    case cf_dspmetafilepict:
    case cf_dspenhmetafile:
        return true;
    default:
        break;
    }
    if ((format >= cf_privatefirst && format <= cf_privatelast) ||
        (format >= cf_gdiobjfirst && format <= cf_gdiobjlast))
        return true;
    static const char* const live[] = {"Link Source",
                                       "ObjectLink",
                                       "OwnerLink",
                                       "Native",
                                       "Embed Source",
                                       "Embedded Object",
                                       "Link Source Descriptor",
                                       "Object Descriptor"};
    for (const char* other : live) {
        if (name.compare(QLatin1String(other), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool WinClipboardFormats::is_secret_marker(const QString& name) {
    return name == QLatin1String("Clipboard Viewer Ignore") ||
           name == QLatin1String("ExcludeClipboardContentFromMonitorProcessing") ||
           name == QLatin1String("CanIncludeInClipboardHistory") ||
           name == QLatin1String("CanUploadToCloudClipboard");
}

QByteArray WinClipboardFormats::utf8_from_unicode_text(const QByteArray& bytes) {
    QString text = utf16_at(bytes, 0, bytes.size() / 2);
    const int end = text.indexOf(QChar(0));
    if (end >= 0)
        text.truncate(end);
    return text.toUtf8();
}

QByteArray WinClipboardFormats::unicode_text_from_utf8(const QByteArray& utf8) {
    QString text = QString::fromUtf8(utf8);
    // Windows programs expect CR LF between lines.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QByteArray bytes((text.size() + 1) * 2, '\0');
    qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

QByteArray WinClipboardFormats::html_from_cf_html(const QByteArray& bytes) {
    // The record is a string: what follows its NUL is padding of the block it came in.
    const int nul = bytes.indexOf('\0');
    const QByteArray record = nul >= 0 ? bytes.left(nul) : bytes;
    const int start = header_number(record, "StartHTML:");
    const int end = header_number(record, "EndHTML:");
    if (start < 0 || end < start) {
        // Without a usable header: the fragment, else everything after the header.
        const int fragment = header_number(record, "StartFragment:");
        const int fragment_end = header_number(record, "EndFragment:");
        if (fragment >= 0 && fragment_end >= fragment)
            return record.mid(fragment, fragment_end - fragment);
        const int html = record.indexOf('<');
        return html >= 0 ? record.mid(html) : QByteArray();
    }
    return record.mid(start, end - start);
}

QByteArray WinClipboardFormats::cf_html_from_html(const QByteArray& html) {
    static const char header[] = "Version:0.9\r\nStartHTML:%1\r\nEndHTML:%2\r\n"
                                 "StartFragment:%3\r\nEndFragment:%4\r\n";
    static const QByteArray open = "<html><body>\r\n<!--StartFragment-->";
    static const QByteArray close = "<!--EndFragment-->\r\n</body></html>";
    // Fixed-width numbers, so the header's length does not depend on them.
    auto number = [](int value) {
        return QStringLiteral("%1").arg(value, 10, 10, QLatin1Char('0'));
    };
    const int header_length =
        QString::fromLatin1(header).arg(number(0), number(0), number(0), number(0)).size();
    const int start_html = header_length;
    const int start_fragment = start_html + open.size();
    const int end_fragment = start_fragment + html.size();
    const int end_html = end_fragment + close.size();
    QByteArray result =
        QString::fromLatin1(header)
            .arg(number(start_html), number(end_html), number(start_fragment), number(end_fragment))
            .toLatin1();
    result += open + html + close;
    result += '\0';
    return result;
}

QByteArray WinClipboardFormats::bmp_from_dib(const QByteArray& dib) {
    if (dib.size() < bitmap_info::length)
        return QByteArray();
    const quint32 header = read<quint32>(dib, bitmap_info::size);
    if (header < quint32(bitmap_info::length) || header > quint32(dib.size()))
        return QByteArray();
    const qint32 width = read<qint32>(dib, bitmap_info::width);
    const qint32 height = read<qint32>(dib, bitmap_info::height);
    const quint16 bits = read<quint16>(dib, bitmap_info::bit_count);
    const quint32 compression = read<quint32>(dib, bitmap_info::compression);
    // Where the pixels start: after the header, the bit masks and the colour table.
    qint64 offset = header;
    if (header == quint32(bitmap_info::length) && compression == bi_bitfields)
        offset += 12;
    else if (header == quint32(bitmap_info::length) && compression == bi_alphabitfields)
        offset += 16;
    const bool indexed = bits == 1 || bits == 4 || bits == 8;
    qint64 colours = read<quint32>(dib, bitmap_info::colours_used);
    if (colours == 0 && indexed)
        colours = qint64(1) << bits;
    if (indexed && colours > 256)
        return QByteArray();
    offset += colours * 4;
    if (offset > dib.size())
        return QByteArray();
    if (compression == bi_rgb || compression == bi_bitfields || compression == bi_alphabitfields) {
        // Unpacked rows: the header's size must be the pixels that are there. (Packed pixels
        // are the decoder's to check, within its size limit.)
        if (width <= 0 || height == 0 || (!indexed && bits != 16 && bits != 24 && bits != 32))
            return QByteArray();
        const qint64 stride = (qint64(width) * bits + 31) / 32 * 4;
        const qint64 rows = height < 0 ? -qint64(height) : qint64(height);
        if (rows > (dib.size() - offset) / stride)
            return QByteArray();
        if (height < 0) {
            // Rows from the top: turned over, since picture readers take a negative height
            // for no size at all.
            QByteArray bottom_up = dib;
            write<qint32>(&bottom_up, bitmap_info::height, qint32(rows));
            for (qint64 row = 0; row < rows; ++row)
                std::memcpy(bottom_up.data() + offset + row * stride,
                            dib.constData() + offset + (rows - 1 - row) * stride, size_t(stride));
            return bmp_from_dib(bottom_up);
        }
    }
    QByteArray bmp(bitmap_file::length, '\0');
    write<quint16>(&bmp, bitmap_file::type, 0x4d42); // "BM"
    write<quint32>(&bmp, bitmap_file::size, quint32(bitmap_file::length + dib.size()));
    write<quint32>(&bmp, bitmap_file::offset, quint32(bitmap_file::length + offset));
    bmp += dib;
    return bmp;
}

QByteArray WinClipboardFormats::dib_from_image(const QImage& image) {
    if (image.isNull())
        return QByteArray();
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32).mirrored(); // bottom-up
    const int row = pixels.width() * 4;
    QByteArray dib(bitmap_info::length + row * pixels.height(), '\0');
    write<quint32>(&dib, bitmap_info::size, bitmap_info::length);
    write<qint32>(&dib, bitmap_info::width, pixels.width());
    write<qint32>(&dib, bitmap_info::height, pixels.height());
    write<quint16>(&dib, bitmap_info::planes, 1);
    write<quint16>(&dib, bitmap_info::bit_count, 32);
    write<quint32>(&dib, bitmap_info::compression, bi_rgb);
    write<quint32>(&dib, bitmap_info::size_image, quint32(row * pixels.height()));
    // Each pixel a little-endian ARGB word: blue, green, red, alpha in memory.
    for (int y = 0; y < pixels.height(); ++y)
        qToLittleEndian<quint32>(pixels.constScanLine(y), pixels.width(),
                                 dib.data() + bitmap_info::length + y * row);
    return dib;
}

QByteArray WinClipboardFormats::uri_list_from_drop_files(const QByteArray& bytes) {
    if (bytes.size() < dropfiles::size)
        return QByteArray();
    const quint32 start = read<quint32>(bytes, dropfiles::files);
    if (start < quint32(dropfiles::size) || start >= quint32(bytes.size()))
        return QByteArray();
    // Each name ends with a NUL, the list with an empty name; a name that runs into the end of
    // the data is not whole and is left out. The names follow at any offset the owner chose,
    // odd ones too, so wide ones are copied out before they are read.
    QStringList names;
    if (read<quint32>(bytes, dropfiles::wide) != 0) {
        const QString wide = utf16_at(bytes, int(start), (bytes.size() - int(start)) / 2);
        for (int from = 0, end; (end = wide.indexOf(QChar(0), from)) > from; from = end + 1)
            names << wide.mid(from, end - from);
    } else {
        for (int from = int(start), end; (end = bytes.indexOf('\0', from)) > from; from = end + 1)
            names << QString::fromLocal8Bit(bytes.constData() + from, end - from);
    }
    QByteArray list;
    for (const QString& name : qAsConst(names)) {
        // A name no file URL can hold (a server name that is no host name, and nothing after
        // it) would come out as a bare "file://".
        const QUrl url = QUrl::fromLocalFile(name);
        if (!url.toLocalFile().isEmpty())
            list += url.toEncoded() + "\r\n";
    }
    return list;
}

QByteArray WinClipboardFormats::drop_files_from_uri_list(const QByteArray& uri_list) {
    QString names;
    for (const QByteArray& line : uri_list.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        const QUrl url = QUrl::fromEncoded(trimmed);
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        // A NUL (%00) would end the name early and start another, and an empty name would
        // end the list: neither names the file that was copied.
        if (path.isEmpty() || path.contains(QChar(0)))
            continue;
        names += QString(path).replace(QLatin1Char('/'), QLatin1Char('\\'));
        names += QChar(0);
    }
    if (names.isEmpty())
        return QByteArray();
    names += QChar(0);
    QByteArray bytes(dropfiles::size + names.size() * 2, '\0');
    write<quint32>(&bytes, dropfiles::files, dropfiles::size);
    write<quint32>(&bytes, dropfiles::wide, 1);
    qToLittleEndian<quint16>(names.utf16(), names.size(), bytes.data() + dropfiles::size);
    return bytes;
}
