#include "clipboard/CapturedMimeData.h"

#include "clipboard/PictureDecoder.h"

#include <QImage>

const QString CapturedMimeData::image_format = QStringLiteral("application/x-qt-image");

QStringList CapturedMimeData::formats() const {
    QStringList list = QMimeData::formats();
    if (!m_image_source.isEmpty() && !list.contains(image_format))
        list.append(image_format);
    return list;
}

bool CapturedMimeData::hasFormat(const QString& mimetype) const {
    return formats().contains(mimetype);
}

QVariant CapturedMimeData::retrieveData(const QString& mimetype,
                                        QVariant::Type preferredType) const {
    if (mimetype == image_format && !m_image_source.isEmpty() &&
        !QMimeData::formats().contains(image_format)) {
        const QImage image = PictureDecoder::decode(
            QMimeData::retrieveData(m_image_source, QVariant::ByteArray).toByteArray());
        if (preferredType == QVariant::ByteArray)
            return QVariant(); // an image has no one byte form; ask for an image/ format
        return image;
    }
    return QMimeData::retrieveData(mimetype, preferredType);
}

CapturedMimeData* CapturedMimeData::clone() const {
    CapturedMimeData* copy = clone_of(this);
    copy->m_image_source = m_image_source;
    return copy;
}

CapturedMimeData* CapturedMimeData::clone_of(const QMimeData* source) {
    auto* copy = new CapturedMimeData;
    if (!source)
        return copy;
    const auto* captured = qobject_cast<const CapturedMimeData*>(source);
    // Stored formats only: a picture decoded on demand stays undecoded.
    const QStringList formats = captured ? captured->QMimeData::formats() : source->formats();
    for (const QString& format : formats) {
        if (format == image_format && !captured)
            copy->setImageData(source->imageData());
        else
            copy->setData(format, source->data(format));
    }
    return copy;
}
