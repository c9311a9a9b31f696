#include "clipboard/ClipboardFetchPlan.h"

#include <QImageReader>

namespace {
const QString png = QStringLiteral("image/png");
const QString qt_image = QStringLiteral("application/x-qt-image"); // Qt owners send PNG for it

const QStringList& lossless() {
    static const QStringList list = {
        QStringLiteral("image/bmp"),  QStringLiteral("image/x-bmp"),
        QStringLiteral("image/tiff"), QStringLiteral("image/x-portable-pixmap"),
        QStringLiteral("image/ppm"),  QStringLiteral("image/x-portable-anymap"),
        QStringLiteral("image/webp")};
    return list;
}

const QStringList& kept_natively() {
    static const QStringList list = {QStringLiteral("image/jpeg"), QStringLiteral("image/svg+xml"),
                                     QStringLiteral("image/gif")};
    return list;
}

bool readable(const QString& format) {
    static const QList<QByteArray> types = QImageReader::supportedMimeTypes();
    return types.contains(format.toLatin1());
}
} // namespace

bool ClipboardFetchPlan::is_image_format(const QString& format) {
    return format.startsWith(QLatin1String("image/")) || format == qt_image;
}

ClipboardFetchPlan::ClipboardFetchPlan(const QStringList& offered) {
    QStringList images;
    for (const QString& format : offered) {
        if (m_formats.contains(format) || images.contains(format))
            continue;
        if (is_image_format(format))
            images.append(format);
        else
            m_formats.append(format);
    }
    if (images.contains(png)) {
        m_picture = png;
    } else if (images.contains(qt_image)) {
        m_picture = qt_image;
    } else {
        for (const QString& format : lossless()) {
            if (images.contains(format) && readable(format)) {
                m_picture = format;
                break;
            }
        }
        for (int i = 0; i < images.size() && m_picture.isEmpty(); ++i) {
            if (readable(images[i]) && images[i] != QLatin1String("image/svg+xml"))
                m_picture = images[i];
        }
    }
    if (!m_picture.isEmpty())
        m_formats.append(m_picture);
    for (const QString& format : kept_natively()) {
        if (images.contains(format) && !m_formats.contains(format))
            m_formats.append(format);
    }
}

bool ClipboardFetchPlan::picture_is_png() const {
    return m_picture == png || m_picture == qt_image;
}
