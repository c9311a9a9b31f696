#include "PortalScreenCapture.h"

#include "PortalRequest.h"
#include "clipboard/PictureDecoder.h"
#include "platform/FileChecks.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

namespace {
const QString interface = QStringLiteral("org.freedesktop.portal.Screenshot");

QImage read_picture(const QString& uri, QString* error) {
    const QUrl url(uri);
    if (!url.isLocalFile()) {
        *error =
            QStringLiteral("the screenshot portal named no local file: '%1'").arg(uri.left(200));
        return QImage();
    }
    QFile file;
    QString why;
    if (!FileChecks::open_regular_file(url.toLocalFile(), &file, &why)) {
        *error = QStringLiteral("the screenshot portal's file cannot be read: %1").arg(why);
        return QImage();
    }
    if (file.size() > PictureDecoder::max_file_bytes) {
        *error =
            QStringLiteral("the screenshot portal's file is too large (%1 bytes)").arg(file.size());
        return QImage();
    }
    const QImage image = PictureDecoder::decode(file.read(PictureDecoder::max_file_bytes), &why);
    if (image.isNull())
        *error = QStringLiteral("the screenshot portal's file is no picture: %1").arg(why);
    return image;
}
// The area of desktop (desktop coordinates) out of a picture of the whole desktop, which may have
// more pixels than the desktop has points.
QImage crop(const QImage& whole, const QRect& desktop, const QRect& area) {
    const double x_scale = desktop.width() > 0 ? double(whole.width()) / desktop.width() : 1;
    const double y_scale = desktop.height() > 0 ? double(whole.height()) / desktop.height() : 1;
    const QRect from(qRound((area.x() - desktop.x()) * x_scale),
                     qRound((area.y() - desktop.y()) * y_scale), qRound(area.width() * x_scale),
                     qRound(area.height() * y_scale));
    // Whatever lies off the picture stays black, as off the screens.
    QImage part = whole.copy(from).convertToFormat(QImage::Format_RGB32);
    if (part.size() != area.size())
        part = part.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return part;
}
} // namespace

PortalScreenCapture::PortalScreenCapture(const QDBusConnection& bus, int answer_timeout_ms)
    : m_bus(bus), m_timeout_ms(answer_timeout_ms) {}

bool PortalScreenCapture::offered(const QDBusConnection& bus) {
    return PortalRequest::offers(bus, interface);
}

QImage PortalScreenCapture::grab(const QRect& area, QString* error) {
    PortalRequest request(m_bus, m_timeout_ms);
    request.start(interface, QStringLiteral("Screenshot"), {QString()},
                  {{QStringLiteral("interactive"), false}, {QStringLiteral("modal"), false}});
    request.wait();
    if (!request.error().isEmpty()) {
        *error = QStringLiteral("screenshot: %1").arg(request.error());
        return QImage();
    }
    const QImage whole =
        read_picture(request.results().value(QStringLiteral("uri")).toString(), error);
    if (whole.isNull())
        return QImage();
    QRect desktop;
    for (const QScreen* screen : QGuiApplication::screens())
        desktop |= screen->geometry();
    return crop(whole, desktop, area);
}
