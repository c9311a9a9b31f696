#include "FakeClipboardReader.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

namespace {
const QString qt_image = QStringLiteral("application/x-qt-image");
}

ClipboardReader::Offer FakeClipboardReader::offer() {
    Offer result;
    if (m_hung) {
        result.error = QStringLiteral("the owner did not answer");
        return result;
    }
    result.ok = true;
    if (m_scripted) {
        for (const auto& format : m_script)
            result.formats.append(format.first);
        return result;
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return result;
    for (const QString& format : data->formats())
        result.formats.append(format == qt_image ? QStringLiteral("image/png") : format);
    return result;
}

ClipboardReader::Data FakeClipboardReader::fetch(const QString& format) {
    ++m_fetches[format];
    Data result;
    if (m_hung || m_failing.contains(format)) {
        result.error = QStringLiteral("the owner did not answer");
        return result;
    }
    if (m_scripted) {
        for (const auto& offered : m_script) {
            if (offered.first == format) {
                result.ok = true;
                result.bytes = offered.second;
            }
        }
        return result;
    }
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return result;
    if (format == QLatin1String("image/png") && !data->formats().contains(format) &&
        data->hasImage()) {
        QBuffer buffer(&result.bytes);
        buffer.open(QIODevice::WriteOnly);
        result.ok = qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG");
        return result;
    }
    result.ok = data->formats().contains(format);
    if (result.ok)
        result.bytes = data->data(format);
    return result;
}
