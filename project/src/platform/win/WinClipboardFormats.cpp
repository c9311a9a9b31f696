#include "WinClipboardFormats.h"

#include <QList>
#include <QUrl>
#include <QtEndian>

#include <cstring>

#include <windows.h>

#include <shlobj.h>

namespace {
const QString wrapper_start = QStringLiteral("application/x-qt-windows-mime;value=\"");

// The number after key in the CF_HTML header, -1 when missing or out of range.
int header_number(const QByteArray& bytes, const char* key) {
    const int at = bytes.indexOf(key);
    if (at < 0)
        return -1;
    int position = at + int(std::strlen(key));
    qint64 value = 0;
    int digits = 0;
    while (position < bytes.size() && bytes.at(position) >= '0' && bytes.at(position) <= '9' &&
           digits < 10) {
        value = value * 10 + (bytes.at(position) - '0');
        ++position;
        ++digits;
    }
    return digits > 0 && value <= bytes.size() ? int(value) : -1;
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

QString WinClipboardFormats::name_of(unsigned format) {
    switch (format) {
    case CF_TEXT:
        return QStringLiteral("CF_TEXT");
    case CF_UNICODETEXT:
        return QStringLiteral("CF_UNICODETEXT");
    case CF_DIB:
        return QStringLiteral("CF_DIB");
    case CF_DIBV5:
        return QStringLiteral("CF_DIBV5");
    case CF_HDROP:
        return QStringLiteral("CF_HDROP");
    default:
        break;
    }
    wchar_t name[256] = {};
    const int length = GetClipboardFormatNameW(format, name, 255);
    return length > 0 ? QString::fromWCharArray(name, length) : QString();
}

bool WinClipboardFormats::never_read(unsigned format, const QString& name) {
    switch (format) {
    case CF_BITMAP:
    case CF_METAFILEPICT:
    case CF_PALETTE:
    case CF_ENHMETAFILE:
    case CF_OWNERDISPLAY:
    case CF_DSPTEXT:
    case CF_DSPBITMAP:
    case CF_DSPMETAFILEPICT:
    case CF_DSPENHMETAFILE:
        return true;
    default:
        break;
    }
    if ((format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) ||
        (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST))
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
    const int units = bytes.size() / 2;
    const auto* text = reinterpret_cast<const char16_t*>(bytes.constData());
    int length = 0;
    while (length < units && text[length] != 0)
        ++length;
    return QString::fromUtf16(text, length).toUtf8();
}

QByteArray WinClipboardFormats::unicode_text_from_utf8(const QByteArray& utf8) {
    QString text = QString::fromUtf8(utf8);
    // Windows programs expect CR LF between lines.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), (text.size() + 1) * 2);
    return bytes;
}

QByteArray WinClipboardFormats::html_from_cf_html(const QByteArray& bytes) {
    const int start = header_number(bytes, "StartHTML:");
    int end = header_number(bytes, "EndHTML:");
    if (start < 0 || end < start) {
        // Without a usable header: the fragment, else everything after the header.
        const int fragment = header_number(bytes, "StartFragment:");
        const int fragment_end = header_number(bytes, "EndFragment:");
        if (fragment >= 0 && fragment_end >= fragment)
            return bytes.mid(fragment, fragment_end - fragment);
        const int html = bytes.indexOf("<");
        return html >= 0 ? bytes.mid(html) : QByteArray();
    }
    return bytes.mid(start, end - start);
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
    if (dib.size() < int(sizeof(BITMAPINFOHEADER)))
        return QByteArray();
    BITMAPINFOHEADER info;
    std::memcpy(&info, dib.constData(), sizeof(info));
    if (info.biSize < sizeof(BITMAPINFOHEADER) || info.biSize > quint32(dib.size()))
        return QByteArray();
    // Where the pixels start: after the header, the bit masks and the colour table.
    qint64 offset = info.biSize;
    if (info.biCompression == BI_BITFIELDS && info.biSize == sizeof(BITMAPINFOHEADER))
        offset += 12;
    qint64 colours = info.biClrUsed;
    if (colours == 0 && info.biBitCount <= 8)
        colours = qint64(1) << info.biBitCount;
    if (colours > 256)
        return QByteArray();
    offset += colours * 4;
    if (offset > dib.size())
        return QByteArray();
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4d42; // "BM"
    file.bfSize = DWORD(sizeof(file) + dib.size());
    file.bfOffBits = DWORD(sizeof(file) + offset);
    QByteArray bmp(reinterpret_cast<const char*>(&file), sizeof(file));
    bmp += dib;
    return bmp;
}

QByteArray WinClipboardFormats::dib_from_image(const QImage& image) {
    if (image.isNull())
        return QByteArray();
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32).mirrored(); // bottom-up
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = pixels.width();
    info.biHeight = pixels.height();
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    info.biSizeImage = DWORD(pixels.sizeInBytes());
    QByteArray dib(reinterpret_cast<const char*>(&info), sizeof(info));
    for (int y = 0; y < pixels.height(); ++y)
        dib.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), pixels.width() * 4);
    return dib;
}

QByteArray WinClipboardFormats::uri_list_from_drop_files(const QByteArray& bytes) {
    if (bytes.size() < int(sizeof(DROPFILES)))
        return QByteArray();
    DROPFILES header;
    std::memcpy(&header, bytes.constData(), sizeof(header));
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= quint32(bytes.size()))
        return QByteArray();
    QStringList paths;
    if (header.fWide) {
        const auto* text = reinterpret_cast<const char16_t*>(bytes.constData() + header.pFiles);
        const qint64 units = (bytes.size() - header.pFiles) / 2;
        qint64 start = 0;
        for (qint64 i = 0; i < units; ++i) {
            if (text[i] != 0)
                continue;
            if (i == start)
                break; // the empty name that ends the list
            paths.append(QString::fromUtf16(text + start, int(i - start)));
            start = i + 1;
        }
    } else {
        const char* text = bytes.constData() + header.pFiles;
        const qint64 length = bytes.size() - header.pFiles;
        qint64 start = 0;
        for (qint64 i = 0; i < length; ++i) {
            if (text[i] != 0)
                continue;
            if (i == start)
                break;
            paths.append(QString::fromLocal8Bit(text + start, int(i - start)));
            start = i + 1;
        }
    }
    QByteArray list;
    for (const QString& path : paths)
        list += QUrl::fromLocalFile(path).toEncoded() + "\r\n";
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
        names += QString(url.toLocalFile()).replace(QLatin1Char('/'), QLatin1Char('\\'));
        names += QChar(0);
    }
    if (names.isEmpty())
        return QByteArray();
    names += QChar(0);
    DROPFILES header = {};
    header.pFiles = sizeof(header);
    header.fWide = TRUE;
    QByteArray bytes(reinterpret_cast<const char*>(&header), sizeof(header));
    bytes.append(reinterpret_cast<const char*>(names.utf16()), names.size() * 2);
    return bytes;
}
