#include "AppHarness.h"
#include "TestWidgets.h"
#include "spells/InputDialog.h"
#include "tray/TrayIcon.h"
#include "windows/MainWindowForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTextEdit>
#include <QtTest>

// The main window, its copy-paste page, the note, the About box and the status indicator.
class TestWindows : public QObject {
    Q_OBJECT
    // App, with its settings and history, and the parts the tests reach.
    std::unique_ptr<App> app;

    MainWindowForm* ui() { return app->form(); }
    CopyPasteMenu* page() { return app->copy_paste_menu(); }
    StatusIndicator* indicator() { return app->status_indicator(); }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        FakePlatform::get().fake_window_style().clear();
        // The longest line a desktop gives the status line, which the buttons must leave room for.
        FakePlatform::get().summary = "Queue in X11 programs only; shortcuts everywhere";
        app = AppHarness::make_app();
    }
    void cleanup() { app.reset(); }

    // Every button sits inside the window and opens its page; the note keeps its text while
    // hidden, the About box is freed when closed, the indicator's page and the shortcut dialog's
    // slider act on the indicator.
    void every_button_fits_and_opens_its_page() {
        QWidget& window = *ui()->gridLayoutWidget->window();
        for (QPushButton* button : ui()->gridLayoutWidget->findChildren<QPushButton*>())
            QVERIFY2(
                window.rect().contains(QRect(button->mapTo(&window, QPoint()), button->size())),
                qPrintable(button->objectName()));
        const QList<QPair<QPushButton*, const char*>> pages = {
            {ui()->button_show_copy_paste_menu, "Copy-Paste Settings"},
            {ui()->button_show_status_indicator_menu, "Status Indicator Settings"},
            {ui()->button_toggle_note_dialog, "Note"},
            {ui()->button_show_about, "About"},
            {ui()->button_zoomit_menu, "Zoom"},
            {ui()->button_show_trademark_menu, "TradeMark Options"}};
        for (const auto& [button, title] : pages) {
            button->click();
            QCOMPARE(TestWidgets::windows(title).size(), 1);
        }
        auto* note = TestWidgets::windows<NoteDialog>("Note").value(0);
        note->text_edit()->setPlainText("remember the milk");
        ui()->button_toggle_note_dialog->click();
        QVERIFY(!note->isVisible());
        ui()->button_toggle_note_dialog->click();
        QCOMPARE(note->text_edit()->toPlainText(), QStringLiteral("remember the milk"));
        QPointer<QWidget> about(TestWidgets::windows("About").value(0));
        about->close();
        QTRY_VERIFY(about.isNull());

        auto* menu = TestWidgets::windows<StatusIndicatorMenu>().value(0);
        menu->visibility_box()->click();
        const bool hidden = indicator()->isHidden();
        menu->visibility_box()->click();
        QVERIFY(hidden && indicator()->isVisible());
        menu->clickthrough_box()->click();
        QVERIFY(!indicator()->drag_enabled());
        app->shortcuts_dialog()->slider()->setValue(40);
        QCOMPARE(indicator()->windowOpacity(), 0.4);
    }

    // Pause and resume, each shown on the button, the task bar, the tray and the indicator; what
    // the desktop lets Corvana do stays on the status line.
    void the_state_display_follows_pause() {
        FakeTaskbarButton& taskbar = FakePlatform::get().taskbar_button();
        const auto icon = [this] {
            return ui()->app_icon->pixmap(Qt::ReturnByValue).toImage().pixel(32, 40);
        };
        const QRgb running_icon = icon();
        for (const bool paused : {true, false}) {
            ui()->button_change_mode->click();
            QCOMPARE(ui()->button_change_mode->text(),
                     paused ? QStringLiteral("Corvana is OFF - Click to Start")
                            : QStringLiteral("Corvana is ON - Click to Pause"));
            QVERIFY(taskbar.progress_visible() && taskbar.progress_value() == 100 &&
                    taskbar.paused() == paused);
            QCOMPARE(app->tray_icon()->current_icon_name(),
                     paused ? QStringLiteral(":/images/app_paused.png")
                            : QStringLiteral(":/images/app.png"));
            QVERIFY(indicator()->background_paused() == paused &&
                    (icon() != running_icon) == paused);
            QCOMPARE(ui()->app_info->text(), FakePlatform::get().summary);
        }
    }

    // The copy-paste page: the mode box and both switches act on the settings and show them,
    // Manual (which keeps the order) included across a pause; a mode picked keeps the position.
    void the_copy_paste_page_acts_and_follows_the_state() {
        FakePlatform::get().hotkeys().trigger(QKeySequence("Ctrl+Alt+/")); // switch the order
        QCOMPARE(page()->mode_box()->currentText(), QStringLiteral("Automatic Forward"));
        for (const char* text : {"a", "b"})
            AppHarness::copy_text(text);
        const int position = app->m_current_clipboard_history_position;
        page()->mode_box()->setCurrentIndex(2); // as the user picks it
        for (int pause = 0; pause < 2; ++pause)
            ui()->button_change_mode->click();
        QCOMPARE(page()->mode_box()->currentText(), QStringLiteral("Manual"));
        QVERIFY(!app->m_automatic_position_movement && app->m_paste_order == "forward");
        page()->mode_box()->setCurrentIndex(1);
        app->slot_combobox_edit_text_changed(QStringLiteral("nonsense")); // changes nothing
        QVERIFY(app->m_automatic_position_movement && app->m_paste_order == "backward");
        QCOMPARE(app->m_current_clipboard_history_position, position);

        page()->file_copy_box()->click();
        QVERIFY(!app->m_file_copy_enabled &&
                app->m_corvana_clipboard_mime_data_history.size() == 2);
        page()->rich_text_box()->click();
        QVERIFY(!app->m_rich_text_copy_enabled &&
                app->m_corvana_clipboard_mime_data_history.isEmpty());
        QVERIFY(!page()->file_copy_box()->isChecked());
        // Set from elsewhere, the box follows at the next refresh without flipping it back.
        FakePlatform::get().hotkeys().trigger(QKeySequence("Ctrl+Alt+9")); // rich text copy
        QVERIFY(app->m_rich_text_copy_enabled && page()->rich_text_box()->isChecked());
    }

    void the_indicator_clicked_back_at_its_start_and_click_through() {
        StatusIndicator square(FakePlatform::get().window_style());
        square.move_to(100, 100);
        QSignalSpy clicks(&square, &StatusIndicator::clicked);
        const auto drag = [&square](QPoint press, const QList<QPoint>& moves) { // moves: global
            TestWidgets::mouse(&square, QEvent::MouseButtonPress, press);
            for (const QPoint& global : moves)
                TestWidgets::mouse(&square, QEvent::MouseMove, square.mapFromGlobal(global));
            TestWidgets::mouse(&square, QEvent::MouseButtonRelease, press);
        };
        // Dragged away and back to the very start: a click (a drag elsewhere, and a click in
        // place, are e2e_windows').
        drag(QPoint(5, 5), {QPoint(150, 150), QPoint(105, 105)});
        QCOMPARE(clicks.size(), 1);

        // Click-through: asked of the desktop; the indicator neither moves nor clicks.
        square.toggle_clickthrough();
        drag(QPoint(5, 5), {});
        square.toggle_clickthrough();
        QCOMPARE(FakePlatform::get().fake_window_style().calls(),
                 (QList<QPair<QWidget*, bool>>{{&square, true}, {&square, false}}));
        QVERIFY(clicks.size() == 1 && square.drag_enabled());
    }

    // Each case: the place wanted, how many of the two screens there are, where it goes. Across
    // the seam of two screens side by side it is still all shown; half off the bottom of the
    // first screen there is none below; the far ends of int, as a settings file may hold them.
    void an_indicator_place_off_every_screen_comes_back() {
        const QStringList cases =
            QString("100 100 2 100 100; 1260 100 2 1260 100; -500 300 2 0 300; 200 780 2 200 750; "
                    "5000 5000 2 3150 1030; 2000 500 1 1230 500; 2147483647 -2147483648 2 3150 0; "
                    "-2147483648 2147483647 2 0 750")
                .split("; ");
        const QList<QRect> two = {QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)};
        for (const QString& line : cases) {
            const QStringList c = line.split(' ');
            const QPoint wanted(c[0].toInt(), c[1].toInt());
            QCOMPARE(StatusIndicator::reachable_position(wanted, two.mid(0, c[2].toInt())),
                     QPoint(c[3].toInt(), c[4].toInt()));
            const QPoint far = StatusIndicator::reachable_position(wanted, {});
            QVERIFY(far.x() < INT_MAX - 50 && far.y() < INT_MAX - 50);
        }

        // App: read from the settings file, shown on this session's screen and saved where shown.
        app.reset();
        QVERIFY(TestWidgets::write_file(AppHarness::settings_file(),
                                        "[General]\nSaveVersion=2\nIsFirstStart=false\n"
                                        "IndicatorX=2147483647\nIndicatorY=-2147483648\n"));
        app = AppHarness::make_app();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint shown = indicator()->position();
        QVERIFY(screen.contains(QRect(shown, QSize(50, 50))) && indicator()->pos() == shown);
        app.reset();
        QCOMPARE(AppHarness::stored("IndicatorX") + ' ' + AppHarness::stored("IndicatorY"),
                 QStringLiteral("%1 %2").arg(shown.x()).arg(shown.y()));
    }

    // Also run with QT_FONT_DPI=144 (tests/CMakeLists.txt): fonts in points grow with the dpi,
    // and the fixed places and sizes must grow with them.
    void every_text_fits_at_the_screens_dpi() {
        if (QFontInfo(app->font()).family().isEmpty())
            QSKIP("no font to measure text with (Qt's offscreen platform under Wine has none)");
        const auto fits = [](QWidget* widget, const QString& text) {
            const QFontMetrics metrics = widget->fontMetrics();
            const QRect room = widget->contentsRect();
            const int margin = qobject_cast<QPushButton*>(widget) ? 6 : 0;
            QVERIFY2(metrics.horizontalAdvance(text) + margin <= room.width() &&
                         metrics.height() <= room.height(),
                     qPrintable(text +
                                QStringLiteral(" in %1x%2").arg(room.width()).arg(room.height())));
        };
        InputDialog spell(QStringLiteral("Hidden features"), QStringLiteral("Enter your spell:"));
        for (QWidget* window : QList<QWidget*>{app.get(), app->shortcuts_dialog(), &spell}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            for (QLabel* label : window->findChildren<QLabel*>())
                if (!label->text().isEmpty() && !label->wordWrap() && label->isVisible())
                    fits(label, label->text());
            for (QPushButton* button : window->findChildren<QPushButton*>())
                if (!button->text().isEmpty() && button->isVisible())
                    fits(button, button->text());
        }
        // The indicator's digits sit inside its square.
        indicator()->set_counter(88);
        QLabel* digits = indicator()->findChild<QLabel*>();
        QVERIFY(digits->fontMetrics().tightBoundingRect(QStringLiteral("88")).height() <=
                indicator()->height());
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
