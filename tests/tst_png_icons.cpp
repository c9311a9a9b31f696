// Icons made from PNG files go through the built-in engine: the same pictures, sizes and mode
// renderings as an icon made from the decoded pixmaps, and no image-format plugin loaded.
#include "icons/PngIconEngine.h"

#include <QImageReader>
#include <QPainter>
#include <QtTest>

Q_IMPORT_PLUGIN(PngIconEnginePlugin)

namespace {
const QString app_png = QStringLiteral(":/images/app.png");

// The image-format plugins mapped into this process, from the loader's own list.
int image_plugins_loaded() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return -1;
    return static_cast<int>(maps.readAll().count("/imageformats/"));
}

QImage rendered(const QIcon& icon, QIcon::Mode mode) {
    QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    icon.paint(&painter, QRect(4, 4, 25, 25), Qt::AlignCenter, mode);
    return image;
}

// The file's pixels decoded without the engine: an icon made the way Qt makes one from pixmaps.
QIcon decoded_icon(const QString& path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}
} // namespace

class TestPngIcons : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Q_INIT_RESOURCE(resources); }

    void renders_and_streams_as_a_pixmap_icon_does_and_loads_no_image_format_plugin() {
        const int plugins = image_plugins_loaded();
        const QIcon ours(app_png);
        QCOMPARE(ours.availableSizes(), QList<QSize>{QSize(64, 64)});
        QCOMPARE(ours.actualSize(QSize(128, 128)), QSize(64, 64));
        // Not a blank picture: the app icon is opaque in the middle.
        QCOMPARE(qAlpha(ours.pixmap(QSize(64, 64)).toImage().pixel(32, 32)), 255);
        QCOMPARE(image_plugins_loaded(), plugins < 0 ? -1 : 0);
        const QIcon reference = decoded_icon(app_png);
        QCOMPARE(ours.actualSize(QSize(25, 25)), reference.actualSize(QSize(25, 25)));
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
            QCOMPARE(ours.pixmap(QSize(25, 25), mode).toImage(),
                     reference.pixmap(QSize(25, 25), mode).toImage());
            QCOMPARE(rendered(ours, mode), rendered(reference, mode));
        }
        // Added per state, each state has the file's size.
        QIcon added;
        added.addFile(app_png, QSize(64, 64));
        added.addFile(app_png, QSize(64, 64), QIcon::Normal, QIcon::On);
        QCOMPARE(added.availableSizes(QIcon::Normal, QIcon::On), QList<QSize>{QSize(64, 64)});
        QCOMPARE(added.availableSizes(QIcon::Normal, QIcon::Off), QList<QSize>{QSize(64, 64)});

        // A stream holds the engine's key and the picture.
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << ours;
        QString key;
        QDataStream in(bytes);
        in >> key;
        QCOMPARE(key, QStringLiteral("png"));
        QDataStream again(bytes);
        QIcon copy;
        again >> copy;
        QCOMPARE(again.status(), QDataStream::Ok);
        QCOMPARE(copy.pixmap(QSize(25, 25)).toImage(), ours.pixmap(QSize(25, 25)).toImage());
    }

    void a_file_that_is_not_png_inside_or_is_missing() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("really-a-bmp.png"));
        QImage picture(16, 8, QImage::Format_RGB32);
        picture.fill(QColor(10, 200, 30));
        QVERIFY(picture.save(path, "BMP"));
        const QIcon icon(path);
        QCOMPARE(icon.availableSizes(), QList<QSize>{QSize(16, 8)});
        QCOMPARE(icon.pixmap(QSize(16, 8)).toImage().pixelColor(3, 3), QColor(10, 200, 30));
        const QIcon missing(QStringLiteral(":/images/no-such-icon.png"));
        QVERIFY(missing.isNull() && missing.availableSizes().isEmpty());
        QVERIFY(missing.pixmap(QSize(16, 16)).isNull());
    }
};

QTEST_MAIN(TestPngIcons)
#include "tst_png_icons.moc"
