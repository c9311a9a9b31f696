#include "AppHarness.h"
#include "TestWidgets.h"
#include "watermark/TradeMark.h"
#include "watermark/TradeMarkMenu.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSizeGrip>
#include <QSlider>
#include <QtTest>

class TestWatermark : public QObject {
    Q_OBJECT
    std::unique_ptr<QWidget> owner;
    TradeMarkMenu* menu = nullptr;
    QTemporaryDir files;
    QString chosen;

    TradeMark* mark() { return menu->trade_mark(); }
    QCheckBox* box(const char* text) {
        for (QCheckBox* box : menu->findChildren<QCheckBox*>())
            if (box->text() == QLatin1String(text))
                return box;
        return nullptr;
    }
    QCheckBox* lock() { return box("Enable moving/Disable clickthrough"); }
    QCheckBox* visibility() { return box("Show/hide Trademark window"); }
    QCheckBox* resize_box() { return box("Allow resizing window"); }
    QSlider* slider() { return menu->findChild<QSlider*>(); }
    void choose(const QString& path) {
        chosen = path;
        menu->findChild<QPushButton*>()->click();
    }
    QString image(const char* name, QSize size) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        picture.save(files.filePath(name));
        return files.filePath(name);
    }
    auto click_through_calls() { return FakePlatform::get().fake_window_style().calls(); }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        FakePlatform::get().fake_window_style().clear();
        owner = std::make_unique<QWidget>();
        menu = new TradeMarkMenu(FakePlatform::get().window_style(), owner.get());
        menu->set_image_chooser([this](QWidget*) { return chosen; });
    }
    void cleanup() { owner.reset(); }

    void choosing_an_image_shows_it_stretched_and_bad_ones_change_nothing() {
        choose(image("wide.png", QSize(300, 100)));
        QVERIFY(visibility()->isChecked() && mark()->isVisible());
        QCOMPARE(mark()->shown_pixmap().size(), mark()->size());
        const QString good = mark()->image_path();
        // Cancelling the chooser, a file that is no picture, a header that claims 20,000 x 20,000
        // pixels (refused before decoding), a missing file: reported, nothing changes.
        const char* bad[][3] = {{"", nullptr, nullptr},
                                {"notes.png", "this is not a picture", "not an image"},
                                {"huge.ppm", "P6\n20000 20000\n255\n", "too large"},
                                {"missing.png", nullptr, "missing.png"}};
        for (const auto& [name, content, hint] : bad) {
            QVERIFY(!content || TestWidgets::write_file(files.filePath(name), content));
            choose(*name ? files.filePath(name) : QString());
            QVERIFY2(!hint || menu->hint().contains(hint), qPrintable(menu->hint()));
            QCOMPARE(mark()->image_path(), good);
            QVERIFY(mark()->isVisible());
        }
        visibility()->setChecked(false);
        QVERIFY(!mark()->isVisible() && mark()->has_image()); // hiding keeps the image
    }

    void the_options_are_coupled_and_set_the_opacity() {
        QVERIFY(!mark()->movable() && click_through_calls().isEmpty());
        resize_box()->setChecked(true);
        QVERIFY(lock()->isChecked() && mark()->movable());
        QCOMPARE(click_through_calls().last(), qMakePair(static_cast<QWidget*>(mark()), false));
        QVERIFY(!mark()->resizable()); // no image yet

        lock()->setChecked(false);
        QVERIFY(!resize_box()->isChecked() && !mark()->movable());
        QCOMPARE(click_through_calls().last(), qMakePair(static_cast<QWidget*>(mark()), true));

        slider()->setValue(0);
        QCOMPARE(mark()->windowOpacity(), 0.0);
        slider()->setValue(99);
        // Windows keep their opacity in steps of 1/255.
        QVERIFY(qAbs(mark()->windowOpacity() - 0.99) < 1.0 / 255);
    }

    void resizing_stretches_the_image_and_the_grip_resizes_through_one_whole_drag() {
        choose(image("square.png", QSize(50, 50)));
        resize_box()->setChecked(true);
        QVERIFY(mark()->resizable());
        mark()->resize(300, 40);
        QCOMPARE(mark()->shown_pixmap().size(), QSize(300, 40));
        // The file may go away: the image shown stays and still stretches.
        QVERIFY(QFile::remove(mark()->image_path()));
        mark()->resize(100, 80);
        auto* grip = mark()->findChild<QSizeGrip*>();
        QVERIFY(grip);
        const QPoint start = grip->mapToGlobal(grip->rect().center());
        // To the grip the window has now, at a place on the screen.
        auto send = [&](QEvent::Type type, QPoint global, Qt::MouseButton button = Qt::LeftButton) {
            QSizeGrip* target = mark()->findChild<QSizeGrip*>();
            QVERIFY(target);
            TestWidgets::mouse(target, type, target->mapFromGlobal(global), button);
        };
        send(QEvent::MouseButtonPress, start);
        // Each step resizes, and the grip that took the press is the one that sees the next.
        send(QEvent::MouseMove, start + QPoint(30, 10));
        QCOMPARE(mark()->size(), QSize(130, 90));
        send(QEvent::MouseMove, start + QPoint(60, 40));
        QCOMPARE(mark()->size(), QSize(160, 120));
        QCOMPARE(mark()->shown_pixmap().size(), QSize(160, 120));
        // Never below the window's minimum, and the grip stays in the corner.
        send(QEvent::MouseMove, start - QPoint(500, 500));
        QCOMPARE(mark()->size(), mark()->minimumSize());
        send(QEvent::MouseButtonRelease, start - QPoint(500, 500));
        mark()->resize(90, 70);
        grip = mark()->findChild<QSizeGrip*>();
        QCOMPARE(grip->geometry().bottomRight(), mark()->rect().bottomRight());
        // After the release, moves are the grip's own again.
        send(QEvent::MouseMove, start + QPoint(40, 40), Qt::NoButton);
        QCOMPARE(mark()->size(), QSize(90, 70));
        // Without resizing the picture keeps its size.
        resize_box()->setChecked(false);
        mark()->resize(60, 60);
        QCOMPARE(mark()->shown_pixmap().size(), QSize(90, 70));
    }

    void a_drag_moves_and_a_click_emits() {
        choose(image("mark.png", QSize(80, 40)));
        lock()->setChecked(true);
        mark()->move(100, 100);
        QSignalSpy clicked(mark(), &TradeMark::signal_clicked);
        TestWidgets::stroke(mark(), {{10, 10}});
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(mark()->pos(), QPoint(100, 100));

        TestWidgets::stroke(mark(), {{10, 10}, {40, 30}});
        QCOMPARE(mark()->pos(), QPoint(130, 120));
        QCOMPARE(clicked.count(), 1);

        // Locked again: a press neither drags nor emits.
        lock()->setChecked(false);
        TestWidgets::stroke(mark(), {{10, 10}});
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(TestWatermark)
#include "tst_watermark.moc"
