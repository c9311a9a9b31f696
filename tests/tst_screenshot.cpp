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

namespace {
using TestPictures::pattern;

// Every capture window, shown or not yet deleted.
QList<PrintScreen*> open_captures() {
    return TestWidgets::windows<PrintScreen>(QString(), true);
}
void drag(QWidget* w, QPoint from, QPoint to) {
    TestWidgets::stroke(w, {from, (from + to) / 2, to});
}

QString desktop() {
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
}

void set_desktop_dir(const QString& path) {
    QVERIFY(TestWidgets::write_file(qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs",
                                    "XDG_DESKTOP_DIR=\"" + path.toUtf8() + "\"\n"));
}

// A capture of a known picture, shown like the real one.
PrintScreen* make_capture(const QPixmap& picture) {
    auto* capture =
        new PrintScreen(ScreenPhotograph::from_screens({{picture.rect(), picture.toImage()}}));
    capture->show();
    return capture;
}
} // namespace

class TestScreenshot : public QObject {
    Q_OBJECT
    QStringList opened; // addresses handed to the desktop

public slots:
    void url_opened(const QUrl& url) { opened << url.toString(); }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/user-dirs.dirs"));
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
        QCOMPARE(real.picture().toImage().convertToFormat(QImage::Format_RGB32),
                 desktop.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(reader.asked(), QList<QRect>{g});
        reader.set_desktop(QImage());
        const ScreenPhotograph slow = ScreenPhotograph::take(FakePlatform::get().screen_capture());
        QVERIFY2(slow.ok(), qPrintable(slow.error()));
        QCOMPARE(slow.picture().size(), g.size());
        reader.clear();
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
        QCOMPARE(capture->rectangles().size(), 1);
        QCOMPARE(capture->rectangles()[0].rect.topLeft(), QPoint(150, 80)); // corners as dragged
        QCOMPARE(capture->rectangles()[0].rect.bottomRight(), QPoint(120, 60));
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
        QCOMPARE(shown.copy(QRect(QPoint(50, 40), QPoint(249, 189)))
                     .convertToFormat(QImage::Format_RGB32),
                 saved.convertToFormat(QImage::Format_RGB32));
        QCOMPARE(shown.pixel(10, 250), capture->dimmed_pixmap().toImage().pixel(10, 250));
        QVERIFY(shown.pixel(10, 250) != picture.toImage().pixel(10, 250));
    }

    void names_and_files() {
        QCOMPARE(ScreenshotFile::timestamp_name(QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9))),
                 QStringLiteral("2026.03.05-14.07.09-screenshot"));

        QString cleaned; // the trimming is the prompt's " trip " below
        QStringList refused = QString("|   |a/b|..\\up|..|x..y").split('|');
        refused << QString("nul") + QChar(0) + "x" << QString(10000, 'n')
                << QString(200, QChar(0x00e9)); // 400 bytes in UTF-8
        for (const QString& name : refused)
            QVERIFY2(!ScreenshotFile::check_name(name, &cleaned).isEmpty(),
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

    void return_saves_the_area_the_whole_photograph_or_a_plain_name() {
        if (!has_posix_files)
            QSKIP("the desktop folder is moved through XDG user-dirs, which Windows does not read");
        // Automatic save, with a desktop folder that does not exist yet: it is created.
        QVERIFY(!QDir(desktop()).exists());
        PrintScreen* capture = make_capture(pattern(300, 200));
        QSignalSpy saved(capture, &PrintScreen::signal_add_to_database);
        drag(capture, QPoint(20, 30), QPoint(119, 79));
        QTest::keyClick(capture, Qt::Key_Enter); // the keypad key does nothing
        QVERIFY(capture->isVisible());
        QTest::keyClick(capture, Qt::Key_Return);
        QCOMPARE(saved.size(), 1);
        const QString name = saved[0][0].toString();
        QVERIFY2(name.endsWith("-screenshot"), qPrintable(name)); // the time stamp's name
        QCOMPARE(QImage(desktop() + "/" + name + ".png").size(), QSize(100, 50));
        QVERIFY(!capture->toolbox()->isVisible());
        QTRY_VERIFY(open_captures().isEmpty()); // deleted once closed

        // Return before any selection saves the whole photograph, undimmed.
        PrintScreen* whole = make_capture(pattern(300, 200));
        QSignalSpy whole_saved(whole, &PrintScreen::signal_add_to_database);
        QTest::keyClick(whole, Qt::Key_Return);
        const QImage all(desktop() + "/" + whole_saved.value(0).value(0).toString() + ".png");
        QCOMPARE(all.convertToFormat(QImage::Format_RGB32),
                 pattern(300, 200).toImage().convertToFormat(QImage::Format_RGB32));
        QTRY_VERIFY(open_captures().isEmpty());
        QDir(desktop()).removeRecursively();

        // Asked for a name: a path is refused in the prompt, a plain name saved, Cancel writes
        // nothing.
        for (const bool cancel : {false, true}) {
            PrintScreen* named = make_capture(pattern(300, 200));
            named->set_automatic_save(false);
            QSignalSpy named_saved(named, &PrintScreen::signal_add_to_database);
            QTest::keyClick(named, Qt::Key_Return);
            PrintScreenSaveAskDialog* prompt = named->save_ask_dialog();
            QVERIFY(prompt->isVisible());
            if (cancel) {
                prompt->on_button_cancel();
            } else {
                prompt->line_edit()->setText(QStringLiteral("../../escape"));
                prompt->button_accept()->click();
                QVERIFY(prompt->isVisible() && !prompt->message_label()->text().isEmpty());
                QCOMPARE(named_saved.size(), 0);
                prompt->line_edit()->setText(QStringLiteral(" trip "));
                prompt->button_accept()->click();
                QCOMPARE(named_saved.value(0).value(0).toString(), QStringLiteral("trip"));
            }
            QTRY_VERIFY(open_captures().isEmpty());
            QCOMPARE(QDir(desktop()).entryList(QDir::Files), QStringList{"trip.png"});
        }
        QVERIFY(!QFile::exists(QDir::cleanPath(desktop() + "/../../escape.png")));
    }

    // A click on the "Image Saved" message shows the folder the file is in; a failure is told,
    // not announced as saved.
    void the_notification_opens_the_folder_the_file_went_to() {
        if (!has_posix_files)
            QSKIP("the desktop folder is moved through XDG user-dirs, which Windows does not read");
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "url_opened");
        AppSettings settings;
        ToolState tools;
        FakeNotifier notifier;
        ScreenshotLauncher launcher(settings, tools, notifier,
                                    FakePlatform::get().screen_capture());
        QSignalSpy saved(&launcher, &ScreenshotLauncher::saved);
        const auto save_one = [&launcher] {
            launcher.take();
            QCOMPARE(open_captures().size(), 1);
            QTest::keyClick(open_captures()[0], Qt::Key_Return);
            QTRY_VERIFY(open_captures().isEmpty());
        };
        save_one();
        QCOMPARE(QDir(desktop()).entryList(QDir::Files).size(), 1);
        ScreenshotLauncher::open_folder(tools.m_screenshot_folder);
        QCOMPARE(opened, QStringList{QUrl::fromLocalFile(desktop() + "/").toString()});

        const QString blocker = QDir::currentPath() + QStringLiteral("/no-desktop");
        QVERIFY(TestWidgets::write_file(blocker, "a file"));
        set_desktop_dir(blocker + QStringLiteral("/Desktop"));
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        const int pictures_before = QDir(pictures).entryList(QDir::Files).size();
        save_one();
        QCOMPARE(QDir(pictures).entryList(QDir::Files).size(), pictures_before + 1);
        ScreenshotLauncher::open_folder(tools.m_screenshot_folder);
        QCOMPARE(opened.last(), QUrl::fromLocalFile(pictures + "/").toString());
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        set_desktop_dir(QStringLiteral("/proc"));
        notifier.shown.clear();
        save_one();
        QCOMPARE(saved.size(), 2);
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
        const QPoint centre = box.button_color_picker()->geometry().center();
        QCOMPARE(shot.pixelColor(centre), QColor(Qt::red));
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
