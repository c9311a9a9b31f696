#pragma once

#include <QIcon>
#include <QIconEngine>

// Icons made from PNG files (QIcon(":/images/x.png")). Qt's own path reads such a file with
// format detection on, which loads and asks every image-format plugin first (JPEG, GIF, ICO,
// SVG: a quarter of a megabyte kept for good) although PNG is built into Qt. Here the file is
// read as PNG with detection off, and the pictures are kept in a pixmap icon, which does the
// rest (sizes, modes, painting) exactly as for any icon made from pixmaps. A file that is not
// PNG after all is read with detection on, as Qt would.
class PngIconEngine : public QIconEngine {
public:
    PngIconEngine() = default;
    PngIconEngine(const PngIconEngine& other);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    void addPixmap(const QPixmap& pixmap, QIcon::Mode mode, QIcon::State state) override;
    void addFile(const QString& file_name, const QSize& size, QIcon::Mode mode,
                 QIcon::State state) override;
    QString key() const override;
    QIconEngine* clone() const override;
    bool read(QDataStream& in) override;
    bool write(QDataStream& out) const override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) const override;
    void virtual_hook(int id, void* data) override;

private:
    QIcon m_icon;
};
