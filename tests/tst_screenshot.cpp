#include "AppHarness.h"
#include "FakeKeyboard.h"
#include "FakeNotifier.h"
#include "PosixFiles.h"
#include "TestPictures.h"
#include "TestWidgets.h"
#include "platform/VirtualKeys.h"
#include "screenshot/PrintScreen.h"
#include "screenshot/PrintScreenMenu.h"
#include "screenshot/PrintScreenSaveAskDialog.h"
#include "screenshot/PrintScreenToolBox.h"
#include "screenshot/ScreenPhotograph.h"
#include "screenshot/ScreenshotFile.h"
#include "screenshot/ToolBoxPlacement.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using TestPictures::pattern;
using TestPictures::solid;

class TestScreenshot : public QObject {
    Q_OBJECT
    QStringList opened; // addresses handed to the desktop

    // Every capture window, shown or not yet deleted.
    static QList<PrintScreen*> open_captures() {
        return TestWidgets::windows<PrintScreen>({}, true);
    }
    static void drag(QWidget* w, QPoint a, QPoint b) {
        TestWidgets::stroke(w, {a, (a + b) / 2, b});
    }
    static QString desktop() {
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    }
    static QImage rgb(const QImage& image) { return image.convertToFormat(QImage::Format_RGB32); }
    // A capture of a known picture, shown like the real one.
    static PrintScreen* make_capture(const QPixmap& picture) {
        auto* capture =
            new PrintScreen(ScreenPhotograph::from_screens({{picture.rect(), picture.toImage()}}));
        capture->show();
        return capture;
    }

public slots:
    void url_opened(const QUrl& url) { opened << url.toString(); }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs");
        QDir(desktop()).removeRecursively();
    }
    void cleanup() {
        for (PrintScreen* capture : open_captures())
            delete capture;
    }

    void unusable_desktops_are_refused_before_grabbing() {
        // A screen with no area is left out, not painted as a zero-width column.
        const auto l = ScreenPhotograph::layout({QRect(0, 0, 0, 0), QRect(0, 0, 640, 480)});
        QCOMPARE(l.order, QList<int>{1});
        QCOMPARE(l.size, QSize(640, 480));
        QVERIFY(ScreenPhotograph::check(l).isEmpty());

        QVERIFY(!ScreenPhotograph::check(ScreenPhotograph::layout({})).isEmpty());
        PrintScreen refused(ScreenPhotograph::from_screens(
            {{QRect(0, 0, 16384, 10), QImage(16384, 10, QImage::Format_RGB32)}}));
        QVERIFY(!refused.has_photograph());
        QVERIFY2(refused.photograph_error().contains("16384"),
                 qPrintable(refused.photograph_error()));

        // The real screens of this session, through the platform's reader and, where that is
        // missing, through Qt.
        FakeScreenCapture& reader = FakePlatform::get().fake_screen_capture();
        const QRect g = QGuiApplication::primaryScreen()->geometry();
        const QImage desktop = pattern(g.width(), g.height()).toImage();
        reader.set_desktop(desktop);
        const ScreenPhotograph real = ScreenPhotograph::take(FakePlatform::get().screen_capture());
        QVERIFY2(real.ok(), qPrintable(real.error()));
        QCOMPARE(rgb(real.picture().toImage()), rgb(desktop));
        QCOMPARE(reader.asked(), QList<QRect>{g});
        reader.set_desktop(QImage());
        const ScreenPhotograph slow = ScreenPhotograph::take(FakePlatform::get().screen_capture());
        QVERIFY2(slow.ok(), qPrintable(slow.error()));
        QCOMPARE(slow.picture().size(), g.size());
        reader.clear();
    }

    // Each case: the screens, the window over them (its corner the picture's, real pixels at
    // scale 1) and pixels of the picture. Side by side, the right one shorter and given first:
    // black below it. Negative offsets, one screen left of and above the primary one, another
    // lower and to the right: the picture starts at the desktop's top-left corner.
    void screens_are_placed_where_they_are() {
        const struct {
            QList<ScreenPhotograph::Screen> screens;
            QRect window;
            QList<QPair<QPoint, Qt::GlobalColor>> pixels;
        } cases[] = {{{{{200, 0, 300, 150}, solid(300, 150, Qt::blue)},
                       {{0, 0, 200, 200}, solid(200, 200, Qt::green)}},
                      {0, 0, 500, 200},
                      {{{10, 190}, Qt::green},
                       {{210, 10}, Qt::blue},
                       {{499, 149}, Qt::blue},
                       {{210, 150}, Qt::black}}},
                     {{{{0, 0, 100, 80}, solid(100, 80, Qt::red)},
                       {{-120, -40, 120, 60}, solid(120, 60, Qt::yellow)},
                       {{100, 50, 50, 50}, solid(50, 50, Qt::cyan)}},
                      {-120, -40, 270, 140},
                      {{{0, 0}, Qt::yellow},
                       {{119, 59}, Qt::yellow},
                       {{119, 60}, Qt::black},
                       {{120, 40}, Qt::red},
                       {{220, 90}, Qt::cyan},
                       {{220, 89}, Qt::black}}}};
        for (const auto& c : cases) {
            const ScreenPhotograph photo = ScreenPhotograph::from_screens(c.screens);
            QVERIFY(photo.ok());
            QCOMPARE(QRect(photo.origin(), photo.picture().size()), c.window);
            QCOMPARE(photo.window_geometry(), c.window);
            for (const auto& [at, colour] : c.pixels)
                QCOMPARE(photo.picture().toImage().pixelColor(at), QColor(colour));
        }
        // Mirrored screens at one place are one area.
        const auto mirrored = ScreenPhotograph::layout({QRect(0, 0, 64, 48), QRect(0, 0, 64, 48)});
        QCOMPARE(mirrored.size, QSize(64, 48));
        QCOMPARE(mirrored.positions, (QList<QPoint>{QPoint(0, 0), QPoint(0, 0)}));
    }

    void scaled_screens_keep_their_real_pixels() {
        // Scale 2: the toolkit reports each screen with its corner kept and its size halved;
        // the grabs hold the real pixels, and may say so through their own ratio.
        const QImage real = pattern(400, 300).toImage();
        QImage top = real;
        top.setDevicePixelRatio(2.0);
        const ScreenPhotograph photo = ScreenPhotograph::from_screens(
            {{QRect(0, 0, 200, 150), top, 2.0},
             {QRect(0, 300, 100, 50), solid(200, 100, Qt::magenta), 2.0}});
        QCOMPARE(photo.picture().devicePixelRatio(), 1.0);

        // The window is half the picture's size; the pointer's positions, which the toolkit
        // divides by two, are multiplied back, so the saved area is the dragged real pixels.
        auto* capture = new PrintScreen(photo);
        capture->show();
        QCOMPARE(capture->canvas()->size(), QSize(200, 200));
        auto at = [&](QEvent::Type type, QPointF pos) {
            QMouseEvent event(type, pos, capture->mapToGlobal(pos.toPoint()),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
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
        QCOMPARE(saved.copy(0, 0, 300, 250), real.copy(100, 50, 300, 250));
        QCOMPARE(saved.pixelColor(0, 250), QColor(Qt::magenta));
        QCOMPARE(saved.pixelColor(99, 271), QColor(Qt::magenta));
        QCOMPARE(saved.pixelColor(100, 250), QColor(Qt::black));
        // The toolbox goes under the area in the toolkit's units (bottom 321 / 2, plus 5).
        QCOMPARE(capture->toolbox()->pos(), capture->mapToGlobal(QPoint(50, 160 + 5)));
    }

    void toolbox_goes_under_above_or_inside_the_area() {
        const QRect available(0, 0, 1000, 800);
        const struct {
            QRect area, screen;
            QPoint at;
        } cases[] = {{{100, 100, 300, 200}, available, {100, 304}}, // bottom() is 299, five below
                     {{100, 500, 300, 290}, available, {100, 464}}, // under leaves the screen
                     {{100, 10, 300, 785}, available, {105, 758}},  // neither: inside, lower left
                     {{1300, 20, 50, 50}, {1280, 24, 1024, 744}, {1300, 74}}}; // not at 0
        for (const auto& c : cases)
            QCOMPARE(ToolBoxPlacement::place(c.area, QSize(200, 31), c.screen), c.at);
    }

    void selection_is_normalised_and_undo_never_passes_the_first() {
        PrintScreen* capture = make_capture(pattern(400, 300));
        drag(capture, QPoint(10, 10), QPoint(50, 50));
        const QImage first = capture->picture_to_save();
        drag(capture, QPoint(300, 200), QPoint(100, 50));
        const QRect backward = capture->selection();
        QCOMPARE(backward, QRect(QPoint(100, 50), QPoint(300, 200)));
        drag(capture, QPoint(100, 50), QPoint(300, 200)); // the same area: no undo step
        QCOMPARE(capture->selection(), backward);
        QVERIFY(capture->toolbox()->isVisible());
        // A click alone keeps the area.
        TestWidgets::stroke(capture, {{10, 10}});
        QCOMPARE(capture->selection(), backward);
        const QImage before = capture->picture_to_save();

        capture->slot_button_rectangle_clicked();
        drag(capture, QPoint(150, 80), QPoint(120, 60)); // drawn up and to the left
        // Its corners as dragged.
        QCOMPARE(capture->rectangles().value(0).rect, QRect(QPoint(150, 80), QPoint(120, 60)));
        drag(capture, QPoint(200, 100), QPoint(250, 150));
        // A click in rectangle mode draws nothing and adds no undo step.
        TestWidgets::stroke(capture, {{20, 20}});
        QCOMPARE(capture->rectangles().size(), 2);
        QVERIFY(capture->picture_to_save() != before);

        capture->slot_button_undo_clicked();
        QCOMPARE(capture->rectangles().size(), 1);
        QTest::keyClick(capture, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(capture->rectangles().size(), 0);
        QCOMPARE(capture->picture_to_save(), before);
        // Then the first selection, shown and saved alike, and nothing before it.
        for (int i = 0; i < 2; ++i) {
            capture->slot_button_undo_clicked();
            QCOMPARE(capture->selection(), QRect(QPoint(10, 10), QPoint(50, 50)));
            QCOMPARE(capture->picture_to_save(), first);
        }
    }

    void saved_picture_is_the_area_with_its_rectangles_in_their_colours() {
        const QPixmap picture = pattern(400, 300);
        PrintScreen* capture = make_capture(picture);
        drag(capture, QPoint(50, 40), QPoint(249, 189));
        capture->slot_button_rectangle_clicked();
        drag(capture, QPoint(60, 50), QPoint(100, 90));
        capture->slot_color_selected(QColor(Qt::blue));
        drag(capture, QPoint(120, 60), QPoint(160, 100));

        QVERIFY(capture->toolbox()->button_color_picker()->styleSheet().contains("#0000ff"));
        QCOMPARE(capture->rectangles()[0].color, QColor(Qt::red));
        QCOMPARE(capture->rectangles()[1].color, QColor(Qt::blue));

        const QImage saved = capture->picture_to_save();
        QCOMPARE(saved.size(), QSize(200, 150));
        // On the rectangles' left edges (x 60 and 120 in the window), their colours.
        QCOMPARE(saved.pixelColor(60 - 50, 70 - 40), QColor(Qt::red));
        QCOMPARE(saved.pixelColor(120 - 50, 80 - 40), QColor(Qt::blue));
        // The screen shows the same: the canvas paints what is saved inside the area, and the
        // dimmed photograph outside it.
        const QImage shown = capture->canvas()->grab().toImage();
        QCOMPARE(rgb(shown.copy(QRect(QPoint(50, 40), QPoint(249, 189)))), rgb(saved));
        QCOMPARE(shown.pixel(10, 250), capture->dimmed_pixmap().toImage().pixel(10, 250));
        QVERIFY(shown.pixel(10, 250) != picture.toImage().pixel(10, 250));
    }

    void names_and_files() {
        QCOMPARE(ScreenshotFile::timestamp_name(QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9))),
                 QStringLiteral("2026.03.05-14.07.09-screenshot"));

        QStringList refused = QString("|   |a/b|..\\up|..|x..y").split('|');
        refused << QString("nul") + QChar(0) + "x" << QString(10000, 'n')
                << QString(200, QChar(0x00e9)); // 400 bytes in UTF-8
        for (const QString& name : refused)
            QVERIFY2(!ScreenshotFile::check_name(name, nullptr).isEmpty(),
                     qPrintable(name.left(20)));

        // Same name twice (two saves in one second): nothing is overwritten.
        const QString folder = QDir::currentPath() + QStringLiteral("/shots");
        QDir().mkpath(folder);
        const QImage a = TestPictures::solid(4, 4, Qt::red),
                     b = TestPictures::solid(5, 5, Qt::blue);
        const auto first = ScreenshotFile::save(a, folder, QStringLiteral("same"));
        const auto second = ScreenshotFile::save(b, folder, QStringLiteral("same"));
        QVERIFY(first.saved && second.saved);
        QCOMPARE(QStringList({first.name, second.name}), QStringList({"same", "same-2"}));
        QCOMPARE(QImage(folder + "/same.png").size(), QSize(4, 4));
        QCOMPARE(QImage(folder + "/same-2.png").size(), QSize(5, 5));

        // A folder nobody may write into (even root cannot create files in /proc); no picture.
        const auto failed = ScreenshotFile::save(a, QStringLiteral("/proc"), QStringLiteral("x"));
        QVERIFY(!failed.saved && !failed.error.isEmpty() && !QFile::exists("/proc/x.png"));
        QVERIFY(!ScreenshotFile::save(QImage(), folder, QStringLiteral("empty")).saved);
        QVERIFY(!QFile::exists(folder + "/empty.png"));
    }

    void return_saves_the_area_the_photograph_or_a_plain_name_and_says_where() {
        if (!has_posix_files)
            QSKIP("the desktop folder is moved through XDG user-dirs, which Windows does not read");
        // Automatic save, with a desktop folder that does not exist yet: it is created; Return
        // before any selection saves the whole photograph, undimmed. Asked for a name: a path is
        // refused in the prompt, a plain name saved, Cancel writes nothing.
        QVERIFY(!QDir(desktop()).exists());
        QStringList names;
        for (const QString way : {"area", "whole", "named", "cancel"}) {
            PrintScreen* capture = make_capture(pattern(300, 200));
            QSignalSpy saved(capture, &PrintScreen::signal_add_to_database);
            capture->set_automatic_save(way == "area" || way == "whole");
            if (way == "area") {
                drag(capture, QPoint(20, 30), QPoint(119, 79));
                QTest::keyClick(capture, Qt::Key_Enter); // the keypad key does nothing
                QVERIFY(capture->isVisible());
            }
            QTest::keyClick(capture, Qt::Key_Return);
            PrintScreenSaveAskDialog* prompt = capture->save_ask_dialog();
            QCOMPARE(prompt->isVisible(), way == "named" || way == "cancel");
            if (way == "cancel")
                prompt->on_button_cancel();
            if (way == "named") {
                prompt->line_edit()->setText(QStringLiteral("../../escape"));
                prompt->button_accept()->click();
                QVERIFY(prompt->isVisible() && !prompt->message_label()->text().isEmpty());
                QCOMPARE(saved.size(), 0);
                prompt->line_edit()->setText(QStringLiteral(" trip "));
                prompt->button_accept()->click();
            }
            QVERIFY(!capture->toolbox()->isVisible());
            QTRY_VERIFY(open_captures().isEmpty()); // deleted once closed
            QCOMPARE(saved.size(), way == "cancel" ? 0 : 1);
            names << saved.value(0).value(0).toString() + ".png";
        }
        QVERIFY2(names[0].endsWith("-screenshot.png"), qPrintable(names[0])); // time stamp's name
        QCOMPARE(QImage(desktop() + "/" + names[0]).size(), QSize(100, 50));
        QCOMPARE(rgb(QImage(desktop() + "/" + names[1])), rgb(pattern(300, 200).toImage()));
        QCOMPARE(names[2], QStringLiteral("trip.png"));
        QVERIFY(QFile::exists(desktop() + "/trip.png"));
        QCOMPARE(QDir(desktop()).entryList(QDir::Files).size(), 3); // none from the path or Cancel
        QVERIFY(!QFile::exists(QDir::cleanPath(desktop() + "/../../escape.png")));

        // Through the launcher: a click on the "Image Saved" message shows the folder the file
        // is in; a failure is told, not announced as saved.
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "url_opened");
        AppSettings settings;
        ToolState tools;
        FakeNotifier notifier;
        ScreenshotLauncher launcher(settings, tools, notifier,
                                    FakePlatform::get().screen_capture());
        QSignalSpy saved(&launcher, &ScreenshotLauncher::saved);
        // To the desktop; to the pictures folder where no desktop folder can be made; nowhere.
        const QString blocker = QDir::currentPath() + QStringLiteral("/no-desktop");
        QVERIFY(TestWidgets::write_file(blocker, "a file"));
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        const QStringList desktops = {desktop(), blocker + "/Desktop", "/proc"};
        const QStringList folders = {desktop(), pictures};
        for (int i = 0; i < 3; ++i) {
            QVERIFY(
                TestWidgets::write_file(qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs",
                                        "XDG_DESKTOP_DIR=\"" + desktops[i].toUtf8() + "\"\n"));
            const int before = QDir(folders.value(i)).entryList(QDir::Files).size();
            notifier.shown.clear();
            launcher.take();
            QCOMPARE(open_captures().size(), 1);
            QTest::keyClick(open_captures()[0], Qt::Key_Return);
            QTRY_VERIFY(open_captures().isEmpty());
            QCOMPARE(saved.size(), std::min(i + 1, 2));
            if (i == 2)
                break;
            QCOMPARE(QDir(folders[i]).entryList(QDir::Files).size(), before + 1);
            ScreenshotLauncher::open_folder(tools.m_screenshot_folder);
            QCOMPARE(opened.mid(i), QStringList{QUrl::fromLocalFile(folders[i] + "/").toString()});
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(notifier.shown.size(), 1);
        QVERIFY2(notifier.shown[0].startsWith("Image not saved: ") &&
                     notifier.shown[0].contains("/proc/"),
                 qPrintable(notifier.shown[0]));
    }

    void pictures_of_the_toolbox_and_the_settings_page() {
        const QString folder = qEnvironmentVariable("CORVANA_SHOTS");
        if (folder.isEmpty())
            QSKIP("CORVANA_SHOTS is not set");
        QDir().mkpath(folder);
        PrintScreenMenu page;
        page.show();
        QVERIFY(page.grab().save(folder + QStringLiteral("/screenshot-settings.png")));
        PrintScreenToolBox box;
        box.show();
        const QImage shot = box.grab().toImage();
        QVERIFY(shot.save(folder + QStringLiteral("/screenshot-toolbox.png")));
        // The colour button shows its colour as it is, not washed out by the button's bevel.
        QCOMPARE(shot.pixelColor(box.button_color_picker()->geometry().center()), QColor(Qt::red));
    }

    void app_opens_a_capture_per_press_while_enabled() {
        auto app = AppHarness::make_app();
        PrintScreenMenu& page = *app->print_screen_menu();
        AppSettings& settings = *app;
        FakeKeyboard& keyboard = *FakePlatform::get().keyboard();
        // Print, Ctrl+Print, the page's button and seventeen quick presses: twenty windows
        // shown, each one closes.
        keyboard.tap({VirtualKeys::Control, VirtualKeys::PrintScreen});
        page.button_printscreen()->click();
        for (int i = 0; i < 18; ++i)
            keyboard.tap({VirtualKeys::PrintScreen});
        QCOMPARE(TestWidgets::windows<PrintScreen>().size(), 20);
        for (PrintScreen* capture : open_captures())
            QTest::keyClick(capture, Qt::Key_Escape);
        QTRY_VERIFY(open_captures().isEmpty());

        // The page's switch turns the keys off (and lets Print through) and back on.
        QCheckBox* enabled = page.checkbox_enabled();
        enabled->click();
        QVERIFY(!settings.m_print_screen_enabled && !keyboard.print_screen_swallowed());
        keyboard.tap({VirtualKeys::PrintScreen});
        page.button_printscreen()->click();
        QCOMPARE(open_captures().size(), 0);
        settings.m_print_screen_enabled = true;
        app->update_ui(); // shows the state without flipping it back
        QVERIFY(enabled->isChecked() && settings.m_print_screen_enabled);

        // Automatic save off: the next capture asks for a name.
        page.checkbox_autosave()->click();
        keyboard.tap({VirtualKeys::PrintScreen});
        QCOMPARE(open_captures().size(), 1);
        QTest::keyClick(open_captures()[0], Qt::Key_Return);
        QVERIFY(open_captures()[0]->save_ask_dialog()->isVisible());
        open_captures()[0]->save_ask_dialog()->on_button_cancel();
        QTRY_VERIFY(open_captures().isEmpty());
    }
};

QTEST_MAIN(TestScreenshot)
#include "tst_screenshot.moc"
