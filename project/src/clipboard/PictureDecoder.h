#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Decodes pictures that another program sent. A BMP or TIFF header can claim any size, and
// decoding allocates what it claims before reading a pixel, so the size is read from the header
// first and anything larger than the limit is refused undecoded. 64 million pixels hold an 8K
// screen (33 million) or a 50-megapixel photo, and cost at most 256 MB at 4 bytes a pixel.
// Where a decoder reports one size and paints on a larger canvas (GIF, and icons stored as PNG),
// the canvas is what counts. A PNG whose chunks claim more bytes than it has is refused too:
// libpng sets aside what a chunk claims. Drawings (SVG) are refused whatever format they are
// offered as.
class PictureDecoder {
public:
    static constexpr qint64 max_pixels = 64LL * 1000 * 1000;
    static constexpr qint64 max_file_bytes = 256LL * 1024 * 1024;

    // A null image with error set when the bytes are no picture, or too large, or give no size.
    static QImage decode(const QByteArray& bytes, QString* error = nullptr);
    // The same for a file of max_file_bytes at most; the caller makes sure it is a regular file.
    static QImage decode_file(const QString& path, QString* error = nullptr);
};
