#include "AppHarness.h"
#include "shortcuts/ShortcutsDialog.h"
#include "spells/InputDialog.h"
#include "tray/StatusIndicator.h"
#include "tray/StatusIndicatorMenu.h"
#include "tray/TrayIcon.h"
#include "windows/CopyPasteMenu.h"
#include "windows/MainWindowForm.h"
#include "windows/NoteDialog.h"
#include "zoom/ZoomItMenu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTextEdit>
#include <QtTest>
#include <climits>

namespace {
void write_settings(const QByteArray& content) {
    QFile file(AppHarness::settings_file());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}
QList<QWidget*> visible_windows_titled(const QString& title) {
    QList<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == title)
            found.append(widget);
    return found;
}
} // namespace

// The main window, its copy-paste page, the note, the About box and the status indicator.
class TestWindows : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;

    MainWindowForm* ui() { return app->form(); }
    CopyPasteMenu* page() { return app->copy_paste_menu(); }
    StatusIndicator* indicator() { return app->status_indicator(); }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        FakePlatform::get().fake_window_style().clear();
        app = AppHarness::make_app();
    }
    void cleanup() { app.reset(); }

    void the_window_is_fixed_and_every_button_is_wired() {
        QCOMPARE(app->objectName(), QStringLiteral("app"));
        QCOMPARE(app->size(), QSize(445, 664));
        QCOMPARE(app->minimumSize(), app->maximumSize());
        QCOMPARE(app->windowTitle(), QStringLiteral("Corvana"));
        QVERIFY(ui()->app_info->text().isEmpty()); // emptied by the first state update

        // Every button fits inside the window, with room to spare on both sides.
        for (QPushButton* button : ui()->gridLayoutWidget->findChildren<QPushButton*>()) {
            const QRect inside(button->mapTo(app.get(), QPoint(0, 0)), button->size());
            QVERIFY2(app->rect().contains(inside), qPrintable(button->objectName()));
        }
        QCOMPARE(ui()->gridLayoutWidget->findChildren<QPushButton*>().size(), 13);

        ui()->button_show_copy_paste_menu->click();
        QVERIFY(page()->isVisible());
        QCOMPARE(page()->windowTitle(), QStringLiteral("Copy-Paste Settings"));
        ui()->button_show_status_indicator_menu->click();
        QVERIFY(app->status_indicator_menu()->isVisible());
        ui()->button_toggle_note_dialog->click();
        QVERIFY(app->note_dialog()->isVisible());
        ui()->button_show_shortcut_settings->click();
        QVERIFY(app->shortcuts_dialog()->isVisible());
        app->shortcuts_dialog()->accept();
        ui()->button_zoomit_menu->click();
        QVERIFY(app->zoom_it_menu()->isVisible());

        // Pages of tools not built yet do nothing visible and do not fail.
        const int windows = QApplication::topLevelWidgets().size();
        ui()->button_templates->click();
        ui()->button_show_trademark_menu->click();
        QCOMPARE(QApplication::topLevelWidgets().size(), windows);
    }

    void the_state_display_follows_pause() {
        FakeTaskbarButton& taskbar = FakePlatform::get().fake_taskbar_button();
        QCOMPARE(ui()->button_change_mode->text(),
                 QStringLiteral("Corvana is ON - Click to Pause"));
        QVERIFY(taskbar.progress_visible());
        QCOMPARE(taskbar.progress_value(), 100);
        QVERIFY(!taskbar.paused());
        const QRgb running_icon = ui()->app_icon->pixmap(Qt::ReturnByValue).toImage().pixel(32, 40);

        ui()->button_change_mode->click();
        QVERIFY(app->m_is_paused);
        QCOMPARE(ui()->button_change_mode->text(),
                 QStringLiteral("Corvana is OFF - Click to Start"));
        QVERIFY(taskbar.paused());
        QCOMPARE(taskbar.progress_value(), 100);
        QVERIFY(ui()->app_icon->pixmap(Qt::ReturnByValue).toImage().pixel(32, 40) != running_icon);
        QCOMPARE(app->tray_icon()->current_icon_name(), QStringLiteral(":/images/app_paused.png"));
        QVERIFY(indicator()->background_paused());
        QCOMPARE(app->tray_icon()->toolTip(), QStringLiteral("Corvana 0.0.7"));

        ui()->button_change_mode->click();
        QVERIFY(!app->m_is_paused);
        QCOMPARE(ui()->button_change_mode->text(),
                 QStringLiteral("Corvana is ON - Click to Pause"));
        QVERIFY(!taskbar.paused());
        QCOMPARE(app->tray_icon()->current_icon_name(), QStringLiteral(":/images/app.png"));
        QVERIFY(!indicator()->background_paused());
    }

    void tooltips_name_the_current_sequences() {
        QCOMPARE(ui()->button_change_mode->toolTip(),
                 QStringLiteral("This option swiches Corvana on and off\nShortcut: Ctrl+Alt+0"));
        QCOMPARE(ui()->button_toggle_note_dialog->toolTip(),
                 QStringLiteral("Opens a note!\nShortcut: Ctrl+Alt+N"));
        QCOMPARE(ui()->button_show_about->toolTip(), QStringLiteral("Opens an informative window"));
        app->shortcuts_dialog()->set_sequence(1, QStringLiteral("Ctrl+Alt+8"));
        app->shortcuts_dialog()->set_sequence(12, QStringLiteral("Ctrl+Shift+N"));
        app->update_global_shortcuts();
        QVERIFY(ui()->button_change_mode->toolTip().endsWith("Shortcut: Ctrl+Alt+8"));
        QVERIFY(ui()->button_toggle_note_dialog->toolTip().endsWith("Shortcut: Ctrl+Shift+N"));
    }

    void the_mode_box_shows_every_state_and_manual_survives_a_pause() {
        QCOMPARE(page()->mode_box()->currentText(), QStringLiteral("Automatic Backward"));
        app->switch_paste_order();
        QCOMPARE(page()->mode_box()->currentText(), QStringLiteral("Automatic Forward"));

        AppHarness::copy_text("a");
        AppHarness::copy_text("b");
        const int position = app->m_current_clipboard_history_position;
        page()->mode_box()->setCurrentIndex(2); // as the user picks it
        QVERIFY(!app->m_automatic_position_movement);
        QCOMPARE(app->m_paste_order, QStringLiteral("forward"));
        app->pause_or_resume_corvana();
        QCOMPARE(page()->mode_box()->currentText(), QStringLiteral("Manual"));
        QVERIFY(!app->m_automatic_position_movement);
        app->pause_or_resume_corvana();
        QCOMPARE(page()->mode_box()->currentText(), QStringLiteral("Manual"));

        page()->mode_box()->setCurrentIndex(1);
        QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
        QVERIFY(app->m_automatic_position_movement);
        QCOMPARE(app->m_current_clipboard_history_position, position);
        app->update_ui();
        QCOMPARE(page()->mode_box()->currentText(), QStringLiteral("Automatic Backward"));
    }

    void the_switches_act_through_clicks_and_show_the_state() {
        AppHarness::copy_text("kept");
        QVERIFY(page()->rich_text_box()->isChecked());
        QVERIFY(page()->file_copy_box()->isChecked());

        page()->file_copy_box()->click();
        QVERIFY(!app->m_file_copy_enabled);
        QCOMPARE(app->history_size(), 1);
        QVERIFY(!page()->file_copy_box()->isChecked());

        page()->rich_text_box()->click();
        QVERIFY(!app->m_rich_text_copy_enabled);
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.size(), 0);
        QVERIFY(!page()->rich_text_box()->isChecked());

        // Set from elsewhere, the box follows at the next refresh without flipping it back.
        app->enable_or_disable_rich_text_copy();
        QVERIFY(app->m_rich_text_copy_enabled);
        QVERIFY(page()->rich_text_box()->isChecked());
    }

    void the_note_keeps_its_text_while_hidden() {
        QVERIFY(!app->note_dialog()->isVisible());
        app->slot_toggle_note_dialog();
        QVERIFY(app->note_dialog()->isVisible());
        QCOMPARE(app->note_dialog()->windowTitle(), QStringLiteral("Note"));
        app->note_dialog()->text_edit()->setPlainText("remember the milk");
        FakePlatform::get().hotkeys().trigger(QKeySequence("Ctrl+Alt+N"));
        QVERIFY(!app->note_dialog()->isVisible());
        ui()->button_toggle_note_dialog->click();
        QVERIFY(app->note_dialog()->isVisible());
        QCOMPARE(app->note_dialog()->text_edit()->toPlainText(),
                 QStringLiteral("remember the milk"));
    }

    void the_about_box_is_built_per_opening_and_freed() {
        ui()->button_show_about->click();
        ui()->button_show_about->click();
        QList<QWidget*> boxes = visible_windows_titled("About");
        QCOMPARE(boxes.size(), 2);
        QVERIFY(boxes.first()->findChild<QLabel*>()->text() == QStringLiteral("Version: 0.0.7"));
        QPointer<QWidget> first(boxes.first());
        first->close();
        QTRY_VERIFY(first.isNull());
        boxes.last()->close();
        QTRY_COMPARE(visible_windows_titled("About").size(), 0);
    }

    void the_indicator_counts_in_both_orders() {
        QCOMPARE(indicator()->size(), QSize(50, 50));
        QVERIFY(indicator()->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(indicator()->windowFlags() & Qt::FramelessWindowHint);
        app->m_paste_order = QStringLiteral("forward");
        app->update_status_indicator();
        QCOMPARE(indicator()->counter_text(), QStringLiteral("0")); // empty history
        for (const char* text : {"a", "b", "c"})
            AppHarness::copy_text(text);
        app->m_current_clipboard_history_position = 1;
        app->update_status_indicator();
        QCOMPARE(indicator()->counter_text(), QStringLiteral("2")); // n - p
        app->m_paste_order = QStringLiteral("backward");
        app->update_status_indicator();
        QCOMPARE(indicator()->counter_text(), QStringLiteral("2")); // p + 1
        app->m_current_clipboard_history_position = 2;
        app->update_status_indicator();
        QCOMPARE(indicator()->counter_text(), QStringLiteral("3"));
    }

    void a_press_and_release_in_place_is_a_click_a_drag_is_not() {
        indicator()->move_to(100, 100);
        QSignalSpy clicks(indicator(), &StatusIndicator::clicked);
        QTest::mousePress(indicator(), Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(indicator(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicks.size(), 1);

        QTest::mousePress(indicator(), Qt::LeftButton, {}, QPoint(10, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(150, 130), Qt::LeftButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(indicator(), &move);
        QTest::mouseRelease(indicator(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(indicator()->position(), QPoint(140, 120));

        // Dragged away and back to the very start: a click.
        QTest::mousePress(indicator(), Qt::LeftButton, {}, QPoint(5, 5));
        const QPoint start = indicator()->position();
        QMouseEvent away(QEvent::MouseMove, QPointF(5, 5), QPointF(start + QPoint(45, 45)),
                         Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(indicator(), &away);
        QMouseEvent back(QEvent::MouseMove, QPointF(5, 5), QPointF(start + QPoint(5, 5)),
                         Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(indicator(), &back);
        QTest::mouseRelease(indicator(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 2);

        // Click-through: asked of the desktop; the indicator neither moves nor clicks.
        app->slot_toggle_status_indicator_clickthrough();
        const auto calls = FakePlatform::get().fake_window_style().calls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().first, static_cast<QWidget*>(indicator()));
        QVERIFY(calls.first().second);
        QTest::mousePress(indicator(), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(indicator(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(clicks.size(), 2);
        app->slot_toggle_status_indicator_clickthrough();
        QVERIFY(!FakePlatform::get().fake_window_style().calls().last().second);
        QVERIFY(indicator()->drag_enabled());
    }

    void the_indicator_settings_page_and_slider() {
        StatusIndicatorMenu* menu = app->status_indicator_menu();
        QVERIFY(!menu->visibility_box()->isChecked());
        QVERIFY(menu->clickthrough_box()->isChecked());
        menu->visibility_box()->click();
        QVERIFY(indicator()->isHidden());
        menu->visibility_box()->click();
        QVERIFY(indicator()->isVisible());
        menu->clickthrough_box()->click();
        QVERIFY(!indicator()->drag_enabled());

        app->shortcuts_dialog()->slider()->setValue(40);
        QCOMPARE(indicator()->windowOpacity(), 0.4);
        QCOMPARE(app->shortcuts_dialog()->slider()->maximum(), 99);
    }

    void an_indicator_place_off_every_screen_comes_back() {
        const QList<QRect> two = {QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)};
        QCOMPARE(StatusIndicator::reachable_position(QPoint(100, 100), two), QPoint(100, 100));
        // Across the seam of two screens side by side it is still all shown.
        QCOMPARE(StatusIndicator::reachable_position(QPoint(1260, 100), two), QPoint(1260, 100));
        QCOMPARE(StatusIndicator::reachable_position(QPoint(-500, 300), two), QPoint(0, 300));
        QCOMPARE(StatusIndicator::reachable_position(QPoint(5000, 5000), two), QPoint(3150, 1030));
        // Half off the bottom of the first screen, below which there is none.
        QCOMPARE(StatusIndicator::reachable_position(QPoint(200, 780), two), QPoint(200, 750));
        // The second screen is removed while the indicator is on it.
        QCOMPARE(StatusIndicator::reachable_position(QPoint(2000, 500), {two.first()}),
                 QPoint(1230, 500));
        // The far ends of int, as a settings file may hold them.
        QCOMPARE(StatusIndicator::reachable_position(QPoint(INT_MAX, INT_MIN), two),
                 QPoint(3150, 0));
        QCOMPARE(StatusIndicator::reachable_position(QPoint(INT_MIN, INT_MAX), two),
                 QPoint(0, 750));
        const QPoint far = StatusIndicator::reachable_position(QPoint(INT_MAX, INT_MAX), {});
        QVERIFY(far.x() < INT_MAX - 50 && far.y() < INT_MAX - 50);

        app.reset();
        write_settings("[General]\nSaveVersion=2\nIsFirstStart=false\nIndicatorX=40000\n"
                       "IndicatorY=-9000\n");
        app = AppHarness::make_app();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(QRect(indicator()->position(), QSize(50, 50))));
        QCOMPARE(indicator()->pos(), indicator()->position());
        app->quit();
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        QCOMPARE(file.value("IndicatorX").toInt(), indicator()->position().x());
    }

    void an_indicator_place_at_the_ends_of_int_comes_back() {
        app.reset();
        write_settings("[General]\nSaveVersion=2\nIsFirstStart=false\nIndicatorX=2147483647\n"
                       "IndicatorY=-2147483648\n");
        app = AppHarness::make_app();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(QRect(indicator()->position(), QSize(50, 50))));
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
                     qPrintable(QStringLiteral("'%1' in %2x%3")
                                    .arg(text)
                                    .arg(room.width())
                                    .arg(room.height())));
        };
        InputDialog spell(QStringLiteral("Hidden features"), QStringLiteral("Enter your spell:"));
        for (QWidget* window :
             {static_cast<QWidget*>(app.get()), static_cast<QWidget*>(app->shortcuts_dialog()),
              static_cast<QWidget*>(&spell)}) {
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
