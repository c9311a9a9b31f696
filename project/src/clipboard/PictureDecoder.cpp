#include "clipboard/PictureDecoder.h"

#include <QBuffer>
#include <QImageReader>

QImage PictureDecoder::decode(const QByteArray& bytes, QString* error) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return decode(reader, error);
}

QImage PictureDecoder::decode_file(const QString& path, QString* error) {
    QImageReader reader(path);
    return decode(reader, error);
}

QImage PictureDecoder::decode(QImageReader& reader, QString* error) {
    QString ignored;
    QString& why = error ? *error : ignored;
    // A drawing is rendered, not read: it can name files to load (a FIFO blocks for good) and
    // embed pictures that are decoded whatever their size.
    if (reader.format().startsWith("svg")) {
        why = QStringLiteral("a drawing (SVG) is not decoded");
        return QImage();
    }
    const QSize size = reader.size();
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
