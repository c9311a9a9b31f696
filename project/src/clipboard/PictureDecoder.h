#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class QImageReader;

// Decodes pictures that another program sent. A BMP or TIFF header can claim any size, and
// decoding allocates what it claims before reading a pixel, so the size is read from the header
// first and anything larger than the limit is refused undecoded. 64 million pixels hold an 8K
// screen (33 million) or a 50-megapixel photo, and cost at most 256 MB at 4 bytes a pixel.
// Drawings (SVG) are refused whatever format they are offered as.
class PictureDecoder {
public:
    static constexpr qint64 max_pixels = 64LL * 1000 * 1000;

    // A null image with error set when the bytes are no picture, or too large, or give no size.
    static QImage decode(const QByteArray& bytes, QString* error = nullptr);
    // The same for a file; the caller makes sure it is a regular file.
    static QImage decode_file(const QString& path, QString* error = nullptr);

private:
    static QImage decode(QImageReader& reader, QString* error);
};
