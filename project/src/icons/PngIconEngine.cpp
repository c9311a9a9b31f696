#include "icons/PngIconEngine.h"

#include <QDataStream>
#include <QFile>
#include <QImageReader>
#include <QPixmap>

namespace {
// Every picture in the file, or only the one of the wanted size when a size is given (the
// first one when none has it). No pictures when the file cannot be read.
QList<QImage> read_pictures(QImageReader& reader, const QSize& size) {
    QList<QImage> pictures;
    QImage picture;
    while (reader.read(&picture)) {
        if (!size.isValid())
            pictures.append(picture);
        else if (picture.size() == size)
            return {picture};
        else if (pictures.isEmpty())
            pictures.append(picture);
        if (!reader.jumpToNextImage())
            break;
    }
    return size.isValid() ? pictures.mid(0, 1) : pictures;
}
} // namespace

PngIconEngine::PngIconEngine(const PngIconEngine& other)
    : QIconEngine(other), m_icon(other.m_icon) {}

void PngIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                          QIcon::State state) {
    m_icon.paint(painter, rect, Qt::AlignCenter, mode, state);
}

QSize PngIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return m_icon.actualSize(size, mode, state);
}

QPixmap PngIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return m_icon.pixmap(size, mode, state);
}

void PngIconEngine::addPixmap(const QPixmap& pixmap, QIcon::Mode mode, QIcon::State state) {
    m_icon.addPixmap(pixmap, mode, state);
}

void PngIconEngine::addFile(const QString& file_name, const QSize& size, QIcon::Mode mode,
                            QIcon::State state) {
    if (file_name.isEmpty())
        return;
    // A file that cannot be opened makes no pictures, as in Qt's own path.
    QFile file(file_name);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QImageReader png(&file, QByteArrayLiteral("png"));
    png.setAutoDetectImageFormat(false);
    QList<QImage> pictures = read_pictures(png, size);
    if (pictures.isEmpty() && file.seek(0)) {
        // Named .png but something else inside: what Qt's own path would make of it.
        QImageReader any(&file);
        pictures = read_pictures(any, size);
    }
    for (const QImage& picture : qAsConst(pictures))
        m_icon.addPixmap(QPixmap::fromImage(picture), mode, state);
}

QString PngIconEngine::key() const {
    // The key the plugin is found by, so an icon written to a stream reads back through it.
    return QStringLiteral("png");
}

QIconEngine* PngIconEngine::clone() const {
    return new PngIconEngine(*this);
}

bool PngIconEngine::read(QDataStream& in) {
    in >> m_icon;
    return in.status() == QDataStream::Ok;
}

bool PngIconEngine::write(QDataStream& out) const {
    out << m_icon;
    return out.status() == QDataStream::Ok;
}

QList<QSize> PngIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state) const {
    return m_icon.availableSizes(mode, state);
}

void PngIconEngine::virtual_hook(int id, void* data) {
    if (id == QIconEngine::IsNullHook) {
        *reinterpret_cast<bool*>(data) = m_icon.isNull();
        return;
    }
    QIconEngine::virtual_hook(id, data);
}
