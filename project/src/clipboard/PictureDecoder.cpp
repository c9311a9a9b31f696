#include "clipboard/PictureDecoder.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <limits>

namespace {
int le16(const QByteArray& bytes, int at) {
    return uchar(bytes[at]) | uchar(bytes[at + 1]) << 8;
}

quint32 le32(const QByteArray& bytes, int at) {
    return quint32(le16(bytes, at)) | quint32(le16(bytes, at + 2)) << 16;
}

int be31(const QByteArray& bytes, int at) {
    const quint32 value = quint32(uchar(bytes[at])) << 24 | quint32(uchar(bytes[at + 1])) << 16 |
                          quint32(uchar(bytes[at + 2])) << 8 | uchar(bytes[at + 3]);
    return int(qMin<quint32>(value, std::numeric_limits<int>::max()));
}

const QByteArray png_signature = QByteArrayLiteral("\x89PNG\r\n\x1a\n");

// Whether every chunk of the PNG at bytes[from, end) lies inside it. libpng sets aside what a
// chunk's length claims before it reads the chunk: a length of 2 GB in a file of 300 bytes
// costs 2 GB.
bool png_chunks_fit(const QByteArray& bytes, qint64 from, qint64 end) {
    qint64 at = from + png_signature.size();
    while (at + 8 <= end) {
        const qint64 length = be31(bytes, int(at));
        if (length > end - at - 12)
            return false;
        if (bytes.mid(int(at) + 4, 4) == "IEND")
            return true;
        at += 12 + length;
    }
    return true;
}

// Qt's GIF decoder reports the first frame's size but paints it on a canvas of the logical
// screen's size, or, where that is 0, up to the frame's far edge.
QSize gif_canvas(const QByteArray& gif) {
    if (gif.size() < 13)
        return QSize();
    const int screen_width = le16(gif, 6);
    const int screen_height = le16(gif, 8);
    const uchar flags = gif[10];
    int at = 13;
    if (flags & 0x80)
        at += 3 << ((flags & 7) + 1);            // the global colour table
    while (at < gif.size() && gif[at] == 0x21) { // an extension: its label, then sub-blocks
        at += 2;
        while (at < gif.size() && gif[at] != 0)
            at += uchar(gif[at]) + 1;
        ++at;
    }
    if (at + 9 > gif.size() || gif[at] != 0x2c)
        return QSize(screen_width, screen_height);
    return QSize(qMax(screen_width, le16(gif, at + 1) + le16(gif, at + 5)),
                 qMax(screen_height, le16(gif, at + 3) + le16(gif, at + 7)));
}

// The first icon of an icon file: where its bytes are, and whether it is stored as a PNG.
struct FirstIcon {
    qint64 from = 0;
    qint64 end = 0;
    bool png = false;
};

FirstIcon first_icon(const QByteArray& icon) {
    if (icon.size() < 22)
        return {};
    const qint64 offset = le32(icon, 18);
    const qint64 end = qMin<qint64>(icon.size(), offset + le32(icon, 14));
    const bool png = end - offset >= 24 && icon.mid(int(offset), 8) == png_signature;
    return {offset, end, png};
}

// A PNG whose chunks run past its end, alone or as the first icon of an icon file.
bool damaged_png(const QByteArray& bytes, const QByteArray& format) {
    if (format == "png")
        return !png_chunks_fit(bytes, 0, bytes.size());
    const FirstIcon icon = first_icon(bytes);
    return (format == "ico" || format == "cur") && icon.png &&
           !png_chunks_fit(bytes, icon.from, icon.end);
}

// Qt's icon decoder reports the first icon's size from the directory (256 at most), but decodes
// an icon stored as PNG at the size its PNG header says.
QSize icon_png_size(const QByteArray& icon) {
    const FirstIcon first = first_icon(icon);
    if (!first.png || icon.mid(int(first.from) + 12, 4) != "IHDR")
        return QSize(0, 0);
    return QSize(be31(icon, int(first.from) + 16), be31(icon, int(first.from) + 20));
}
} // namespace

QImage PictureDecoder::decode(const QByteArray& bytes, QString* error) {
    QString ignored;
    QString& why = error ? *error : ignored;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    // A drawing is rendered, not read: it can name files to load (a FIFO blocks for good) and
    // embed pictures that are decoded whatever their size.
    if (format.startsWith("svg")) {
        why = QStringLiteral("a drawing (SVG) is not decoded");
        return QImage();
    }
    if (damaged_png(bytes, format)) {
        why = QStringLiteral("a damaged PNG (a chunk runs past its end) is not decoded");
        return QImage();
    }
    QSize size = reader.size();
    if (format == "gif")
        size = size.expandedTo(gif_canvas(bytes));
    else if (format == "ico" || format == "cur")
        size = size.expandedTo(icon_png_size(bytes));
    if (!size.isValid()) {
        why = QStringLiteral("not a picture of a known size");
        return QImage();
    }
    if (qint64(size.width()) * size.height() > max_pixels) {
        why = QStringLiteral("a picture of %1 x %2 pixels is larger than the limit of %3")
                  .arg(size.width())
                  .arg(size.height())
                  .arg(max_pixels);
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull())
        why = reader.errorString();
    return image;
}

QImage PictureDecoder::decode_file(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > max_file_bytes) {
        if (error)
            *error =
                file.isOpen()
                    ? QStringLiteral("%1 is larger than %2 bytes").arg(path).arg(max_file_bytes)
                    : file.errorString();
        return QImage();
    }
    // Read whole: the header checks need bytes anywhere in it.
    return decode(file.read(max_file_bytes), error);
}
