#include "AppHarness.h"
#include "TestWidgets.h"
#include "zoom/LiveZoom.h"
#include "zoom/Zoom.h"
#include "zoom/ZoomItMenu.h"

#include <QLabel>
#include <QScreen>
#include <QSlider>
#include <QtTest>

class TestZoom : public QObject {
    Q_OBJECT
    static inline QPoint pointer;
    static inline const QRect left_screen{0, 0, 1920, 1080}, right_screen{1920, 0, 1280, 1024};

    static FakeMagnifier& magnifier() { return FakePlatform::get().fake_magnifier(); }
    static FakeMouseHook& hook() { return FakePlatform::get().fake_mouse_hook(); }
    static LiveZoom& zoom() { return LiveZoom::instance(); }
    static QRect screen_at(const QPoint& p) { return p.x() >= 1920 ? right_screen : left_screen; }
    static QRect view() { return magnifier().last().view; }
    static void zoom_to(float factor) {
        zoom().set_magnification(factor);
        QTRY_VERIFY_WITH_TIMEOUT(!zoom().animating(), 5000);
    }

private slots:
    void initTestCase() {
        AppHarness::init_process();
        zoom().set_screen_source(screen_at);
        zoom().set_pointer_source([] { return pointer; });
    }
    void init() {
        zoom().reset();
        magnifier().clear();
        pointer = QPoint(960, 540);
    }

    void zooming_in_steps_from_a_timer_to_about_one_and_a_half() {
        zoom().set_magnification(1.5f);
        // The call returns at once: keys and pastes go on while it zooms.
        QVERIFY(zoom().animating() && zoom().m_magnification < 1.02f);
        QTRY_VERIFY_WITH_TIMEOUT(!zoom().animating(), 5000);
        QVERIFY(qAbs(magnifier().calls().first().factor - 1.01f) < 0.001f);
        // Centred on the pointer.
        QCOMPARE(view().topLeft(), QPoint(960 - view().width() / 2, 540 - view().height() / 2));

        // Asking again for 1.5 changes nothing; 0.5 is refused with its line. Fifty-one steps in
        // all, to 1.51.
        zoom_to(1.5f);
        QTest::ignoreMessage(QtDebugMsg, "Error, invalid value");
        zoom().set_magnification(0.5f);
        QCOMPARE(magnifier().calls().size(), 51);
        QVERIFY(qAbs(zoom().m_magnification - 1.51f) < 0.001f);
    }

    // Each case: the pointer, the factor, the screen under it, and whether the view meets that
    // screen's top-left corner (or its bottom-right one, to the last column and row). The view
    // is the size of the screen divided by the factor.
    void the_view_stays_on_the_screen_under_the_pointer() {
        const struct {
            QPoint at;
            float factor;
            QRect screen;
            bool top_left;
        } cases[] = {{{1919, 1079}, 1.5f, left_screen, false},
                     {{0, 0}, 1.5f, left_screen, true},
                     {{3190, 1000}, 2.0f, right_screen, false}}; // smaller, to the right
        for (const auto& c : cases) {
            // Off at once; on again from 1.0 around where the pointer is now.
            zoom().set_magnification(1.0f);
            QCOMPARE(magnifier().last().factor + zoom().m_magnification, 2.0f);
            magnifier().clear();
            pointer = c.at;
            zoom_to(c.factor);
            QVERIFY(qAbs(magnifier().calls().first().factor - 1.01f) < 0.001f);
            for (const FakeMagnifier::Call& call : magnifier().calls())
                QVERIFY(c.screen.contains(call.view) && call.screen == c.screen);
            const float m = zoom().m_magnification;
            QCOMPARE(view().size(), QSize(int(c.screen.width() / m), int(c.screen.height() / m)));
            QCOMPARE(c.top_left ? view().topLeft() : view().bottomRight(),
                     c.top_left ? c.screen.topLeft() : c.screen.bottomRight());
        }
    }

    void the_view_follows_the_pointer_past_the_inner_rectangle() {
        zoom().m_active = true;
        zoom_to(1.5f);
        const QRect start = view();
        const QRect inner = zoom().m_inner_rect;
        QCOMPARE(inner.left(), start.left() + 100);
        QCOMPARE(inner.right(), start.left() + start.width() - 100);
        const int calls = magnifier().calls().size();

        // Anywhere inside the inner rectangle, edges included: no move.
        for (const QPoint& p : {inner.topLeft(), inner.bottomRight(), inner.center()})
            hook().move_to(p);
        QCOMPARE(magnifier().calls().size(), calls);
        QCOMPARE(view(), start);

        // 30 pixels past its right edge: the view moves 30 pixels right.
        hook().move_to(QPoint(inner.right() + 30, inner.center().y()));
        QCOMPARE(view(), start.translated(30, 0));
        // And up, past the top edge by 12.
        const QRect moved = view();
        hook().move_to(QPoint(zoom().m_inner_rect.center().x(), zoom().m_inner_rect.top() - 12));
        QCOMPARE(view(), moved.translated(0, -12));

        // Far right: the screen's edge stops it.
        for (int x = 1500; x < 1960; x += 40)
            hook().move_to(QPoint(std::min(x, 1919), 540));
        QCOMPARE(view().right(), left_screen.right());

        // Not active (zoom with pen sets it, live zoom too): pointer moves do not move the view.
        zoom().m_active = false;
        const int before = magnifier().calls().size();
        hook().move_to(QPoint(10, 10));
        QCOMPARE(magnifier().calls().size(), before);
    }

    void the_two_zooms_exclude_each_other() {
        ToolState tools;
        Zoom pen(FakePlatform::get().screen_capture());
        ZoomItMenu page(nullptr);
        ZoomSwitch zooms(tools, pen, page);
        // What is on once the zoom has settled.
        const auto state = [&] {
            const bool settled = QTest::qWaitFor([] { return !zoom().animating(); }, 5000);
            return QStringLiteral("%1%2%3%4%5")
                .arg(tools.m_live_zoom_active ? "live " : "",
                     tools.m_dead_zoom_active ? "pen " : "", pen.isVisible() ? "shown " : "",
                     zoom().m_active ? "active " : "",
                     magnifier().magnified() ? "magnified"
                     : settled               ? ""
                                             : "animating");
        };
        const QString live = "live active magnified", with_pen = "pen shown active magnified";
        // Each step: live (toggled), pen (toggled) or escape (in the pen's window), and the state.
        // Neither zoom starts while the other is on; Escape ends the pen like its shortcut.
        const QList<QPair<QString, QString>> steps = {
            {"live", live},     {"pen", live},  {"live", ""},      {"pen", with_pen},
            {"live", with_pen}, {"escape", ""}, {"pen", with_pen}, {"pen", ""}};
        for (const auto& [step, after] : steps) {
            if (step == "escape")
                QTest::keyClick(&pen, Qt::Key_Escape);
            else
                step == "live" ? zooms.toggle_live() : zooms.toggle_pen();
            QVERIFY2(state() == after, qPrintable(step + " -> " + state()));
        }

        // The page's level is used by both.
        page.slider()->setValue(3); // 2.0
        zooms.toggle_live();
        QCOMPARE(state(), live);
        QVERIFY(zoom().m_magnification >= 2.0f && zoom().m_magnification < 2.02f);
        // Fifty quick presses (an even number) leave it on, zooming in again from 1.0.
        for (int i = 0; i < 50; ++i)
            zooms.toggle_live();
        QCOMPARE(state(), live);

        // Where the desktop gives no magnifier, the page says so and the shortcut starts nothing.
        zooms.toggle_live();
        magnifier().m_unavailable = "none here";
        zooms.toggle_live();
        page.update_shortcuts();
        magnifier().m_unavailable.clear();
        QCOMPARE(state(), "");
        QString texts;
        for (const QLabel* label : page.findChildren<QLabel*>())
            texts += label->text();
        QVERIFY(texts.contains("not available on this desktop: none here"));
    }

    void the_program_ending_restores_the_display() {
        auto app = AppHarness::make_app();
        app->main_live_zoom();
        QTRY_VERIFY(!zoom().animating());
        QVERIFY(magnifier().magnified());
        app.reset();
        QCOMPARE(magnifier().last().factor, 1.0f);
        QVERIFY(!zoom().animating());
    }

    void the_pen_draws_trailing_one_move_and_the_right_button_wipes() {
        QImage desktop(QGuiApplication::primaryScreen()->geometry().size(), QImage::Format_RGB32);
        desktop.fill(Qt::white);
        FakePlatform::get().fake_screen_capture().set_desktop(desktop);
        Zoom pen(FakePlatform::get().screen_capture());
        pen.grab_screen();
        pen.show();
        const QImage clean = pen.picture().toImage();
        QCOMPARE(clean.pixelColor(30, 20), QColor(Qt::white));

        // A click without movement draws nothing.
        TestWidgets::stroke(&pen, {{30, 20}});
        QCOMPARE(pen.picture().toImage(), clean);

        TestWidgets::stroke(&pen, {{10, 20}, {50, 20}, {90, 20}, {130, 20}});
        // The last move is not drawn yet (110); width 3: not 10 pixels away (30, 30).
        for (const auto& [x, y, red] :
             {std::tuple(30, 20, true), {70, 20, true}, {110, 20, false}, {30, 30, false}})
            QCOMPARE(pen.picture().toImage().pixelColor(x, y), QColor(red ? Qt::red : Qt::white));

        TestWidgets::stroke(&pen, {{5, 5}}, Qt::RightButton);
        QCOMPARE(pen.picture().toImage(), clean);
        // The next stroke starts on the clean picture.
        TestWidgets::stroke(&pen, {{10, 100}, {40, 100}, {60, 100}}, Qt::LeftButton, false);
        QCOMPARE(pen.picture().toImage().pixelColor(70, 20), QColor(Qt::white));
        QCOMPARE(pen.picture().toImage().pixelColor(25, 100), QColor(Qt::red));

        // Ended, it keeps no picture of the screen; nor does a zoom that never started.
        pen.finish();
        QVERIFY(pen.picture().isNull());
        QVERIFY(pen.findChild<QLabel*>()->pixmap(Qt::ReturnByValue).isNull());
        QVERIFY(Zoom(FakePlatform::get().screen_capture()).picture().isNull());
        FakePlatform::get().fake_screen_capture().clear();
    }
};

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"
