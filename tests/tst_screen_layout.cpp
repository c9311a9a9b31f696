#include "AppHarness.h"
#include "TestPictures.h"
#include "screenshot/PrintScreen.h"
#include "screenshot/PrintScreenToolBox.h"
#include "screenshot/ScreenPhotograph.h"

#include <QApplication>
#include <QMouseEvent>
#include <QtTest>

using TestPictures::pattern;
using TestPictures::solid;

// Where each monitor's picture goes in the capture, and real pixels on a scaled screen.
class TestScreenLayout : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void cleanup() {
        // Collected first: a capture takes its toolbox, another top-level window, with it.
        QList<PrintScreen*> captures;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* capture = qobject_cast<PrintScreen*>(w))
                captures.append(capture);
        qDeleteAll(captures);
    }

    void screens_are_placed_where_they_are() {
        // Side by side, the right one shorter and given first: black below it.
        const ScreenPhotograph side =
            ScreenPhotograph::from_screens({{QRect(200, 0, 300, 150), solid(300, 150, Qt::blue)},
                                            {QRect(0, 0, 200, 200), solid(200, 200, Qt::green)}});
        QVERIFY(side.ok());
        const QImage image = side.picture().toImage();
        QCOMPARE(image.size(), QSize(500, 200));
        QCOMPARE(image.pixelColor(10, 190), QColor(Qt::green));
        QCOMPARE(image.pixelColor(210, 10), QColor(Qt::blue));
        QCOMPARE(image.pixelColor(499, 149), QColor(Qt::blue));
        QCOMPARE(image.pixelColor(210, 150), QColor(Qt::black));
        QCOMPARE(side.origin(), QPoint(0, 0));
        QCOMPARE(side.window_geometry(), QRect(0, 0, 500, 200));

        // Negative offsets, one screen left of and above the primary one, another lower and
        // to the right: the picture starts at the desktop's top-left corner.
        const ScreenPhotograph negative =
            ScreenPhotograph::from_screens({{QRect(0, 0, 100, 80), solid(100, 80, Qt::red)},
                                            {QRect(-120, -40, 120, 60), solid(120, 60, Qt::yellow)},
                                            {QRect(100, 50, 50, 50), solid(50, 50, Qt::cyan)}});
        const QImage n = negative.picture().toImage();
        QCOMPARE(negative.origin(), QPoint(-120, -40));
        QCOMPARE(n.size(), QSize(270, 140));
        QCOMPARE(n.pixelColor(0, 0), QColor(Qt::yellow));
        QCOMPARE(n.pixelColor(119, 59), QColor(Qt::yellow));
        QCOMPARE(n.pixelColor(119, 60), QColor(Qt::black));
        QCOMPARE(n.pixelColor(120, 40), QColor(Qt::red));
        QCOMPARE(n.pixelColor(220, 90), QColor(Qt::cyan));
        QCOMPARE(n.pixelColor(220, 89), QColor(Qt::black));
        QCOMPARE(negative.window_geometry(), QRect(-120, -40, 270, 140));

        // Mirrored screens at one place are one area.
        const auto mirrored = ScreenPhotograph::layout({QRect(0, 0, 64, 48), QRect(0, 0, 64, 48)});
        QCOMPARE(mirrored.size, QSize(64, 48));
        QCOMPARE(mirrored.positions, (QList<QPoint>{QPoint(0, 0), QPoint(0, 0)}));
    }

    void scaled_screens_keep_their_real_pixels() {
        // Scale 2: the toolkit reports each screen with its corner kept and its size halved;
        // the grabs hold the real pixels, and may say so through their own ratio.
        QImage top = pattern(400, 300).toImage();
        top.setDevicePixelRatio(2.0);
        const QImage bottom = solid(200, 100, Qt::magenta);
        const ScreenPhotograph photo = ScreenPhotograph::from_screens(
            {{QRect(0, 0, 200, 150), top, 2.0}, {QRect(0, 300, 100, 50), bottom, 2.0}});
        QVERIFY(photo.ok());
        QCOMPARE(photo.picture().size(), QSize(400, 400));
        QCOMPARE(photo.picture().devicePixelRatio(), 1.0);
        QCOMPARE(photo.ratio(), 2.0);
        QCOMPARE(photo.window_geometry(), QRect(0, 0, 200, 200));
        QCOMPARE(photo.picture().toImage().pixelColor(0, 300), QColor(Qt::magenta));
        QCOMPARE(
            photo.picture().toImage().copy(0, 0, 400, 300).convertToFormat(QImage::Format_RGB32),
            pattern(400, 300).toImage());

        // The window is half the picture's size; the pointer's positions, which the toolkit
        // divides by two, are multiplied back, so the saved area is the dragged real pixels.
        auto* capture = new PrintScreen(photo);
        capture->show();
        QCOMPARE(capture->canvas()->size(), QSize(200, 200));
        auto at = [&](QEvent::Type type, QPointF pos) {
            const Qt::MouseButtons held =
                type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
            QMouseEvent event(type, pos, capture->mapToGlobal(pos.toPoint()),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                              Qt::NoModifier);
            QApplication::sendEvent(capture, &event);
        };
        at(QEvent::MouseButtonPress, QPointF(50, 25));
        at(QEvent::MouseMove, QPointF(120.5, 90));
        at(QEvent::MouseMove, QPointF(199.5, 160.5));
        at(QEvent::MouseButtonRelease, QPointF(199.5, 160.5));
        QCOMPARE(capture->selection(), QRect(QPoint(100, 50), QPoint(399, 321)));
        const QImage saved = capture->picture_to_save();
        QCOMPARE(saved.size(), QSize(300, 272));
        // The lower screen's pixels, under the upper one's: the whole saved area is real.
        QCOMPARE(saved.copy(0, 0, 300, 250), pattern(400, 300).toImage().copy(100, 50, 300, 250));
        QCOMPARE(saved.pixelColor(0, 250), QColor(Qt::magenta));
        QCOMPARE(saved.pixelColor(99, 271), QColor(Qt::magenta));
        QCOMPARE(saved.pixelColor(100, 250), QColor(Qt::black));
        // The toolbox goes under the area in the toolkit's units (bottom 321 / 2, plus 5).
        QCOMPARE(capture->toolbox()->pos(), capture->mapToGlobal(QPoint(50, 160 + 5)));
    }
};

QTEST_MAIN(TestScreenLayout)
#include "tst_screen_layout.moc"
