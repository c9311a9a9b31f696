#include "platform/FrozenPresses.h"

#include <QtTest>

// The watchdog's rules for frozen paste keys, on a virtual clock.
class TestFrozenPresses : public QObject {
    Q_OBJECT
    using Released = std::vector<quint32>;

private slots:
    void a_press_the_gui_thread_never_took_up_goes_on_within_150_ms() {
        FrozenPresses presses;
        presses.pressed(1000, 0);
        constexpr qint64 limit = FrozenPresses::unclaimed_ms;
        QVERIFY(limit <= 150);
        QCOMPARE(presses.next_check(0), limit);
        QCOMPARE(presses.due(limit - 1, 0), Released());
        QCOMPARE(presses.due(limit, 0), Released({1000}));
        QCOMPARE(presses.due(limit + 1, 0), Released()); // once
        QVERIFY(presses.released(1000));
        // The GUI thread comes back to it: not to be reported, so the position stays.
        QVERIFY(!presses.claim(1000, 2000));
        QVERIFY(!presses.begin_report(1000, 2000));
    }

    void while_the_gui_thread_stays_stuck_the_next_presses_go_at_once() {
        FrozenPresses presses;
        presses.pressed(1, 0);
        QCOMPARE(presses.due(120, 0), Released({1}));
        // Pressed while the first was frozen: it comes out of the server's queue now.
        presses.pressed(2, 121);
        QCOMPARE(presses.next_check(121), qint64(121));
        QCOMPARE(presses.due(121, 0), Released({2}));
        // The GUI thread shows up again: the next press gets its full wait.
        QVERIFY(!presses.claim(1, 130));
        presses.pressed(3, 140);
        QCOMPARE(presses.due(141, 0), Released());
        QCOMPARE(presses.due(260, 0), Released({3}));
    }

    void a_press_held_by_a_live_gui_thread_waits_for_it_up_to_the_hard_cap() {
        FrozenPresses presses;
        presses.pressed(7, 0);
        QVERIFY(presses.claim(7, 1));
        for (qint64 now = 0; now < FrozenPresses::hard_cap_ms; now += 10)
            QCOMPARE(presses.due(now, 10), Released()); // beating every 10 ms
        QCOMPARE(presses.due(FrozenPresses::hard_cap_ms, 10), Released({7}));
    }

    void a_held_press_goes_on_once_the_gui_thread_stops_beating() {
        FrozenPresses presses;
        presses.pressed(7, 0);
        QVERIFY(presses.claim(7, 0));
        constexpr qint64 limit = FrozenPresses::unclaimed_ms;
        QCOMPARE(presses.due(limit - 10, 90), Released()); // stuck, but not long enough
        QCOMPARE(presses.due(limit + 10, 49), Released()); // beating still
        QCOMPARE(presses.due(limit + 20, 50), Released({7}));
        QVERIFY(!presses.begin_report(7, 2200));
    }

    void a_press_being_reported_is_left_to_the_gui_thread_until_the_cap() {
        FrozenPresses presses;
        presses.pressed(3, 0);
        QVERIFY(presses.claim(3, 0));
        QVERIFY(presses.begin_report(3, 10));
        QCOMPARE(presses.due(300, 290), Released());
        QCOMPARE(presses.due(FrozenPresses::hard_cap_ms, 390), Released({3}));
        presses.finished(3);
        QVERIFY(!presses.released(3));
    }

    void a_finished_press_is_forgotten() {
        FrozenPresses presses;
        presses.pressed(5, 0);
        QVERIFY(presses.claim(5, 2));
        QVERIFY(presses.begin_report(5, 3));
        presses.finished(5);
        QCOMPARE(presses.next_check(4), qint64(-1));
        QCOMPARE(presses.due(1000, 1000), Released());
        QVERIFY(!presses.pending());
    }

    void a_raw_event_that_comes_after_the_press_was_done_starts_nothing() {
        FrozenPresses presses;
        QVERIFY(presses.claim(4, 0));
        QVERIFY(presses.begin_report(4, 1));
        presses.finished(4);
        presses.pressed(4, 2);
        QCOMPARE(presses.due(500, 0), Released());
        presses.pressed(5, 510); // and the next press still gets its full time
        QCOMPARE(presses.due(520, 0), Released());
    }

    void the_gui_thread_may_see_the_press_before_the_watchdog_does() {
        FrozenPresses presses;
        QVERIFY(presses.claim(9, 0));
        presses.pressed(9, 5); // the raw event, late: still claimed
        QCOMPARE(presses.due(200, 0), Released());
        QVERIFY(presses.begin_report(9, 200));
    }

    void two_presses_in_one_millisecond_are_two_presses() {
        FrozenPresses presses;
        presses.pressed(50, 0);
        QCOMPARE(presses.due(120, 0), Released({50}));
        presses.pressed(50, 121); // a replay that grabbed again, same time stamp
        QCOMPARE(presses.due(121, 0), Released({50})); // let go too (the GUI is stuck)
        // The GUI thread, back, meets both and drops both.
        QVERIFY(!presses.claim(50, 3000));
        presses.finished(50);
        QVERIFY(!presses.claim(50, 3000));
        presses.finished(50);
        // A third one, taken up in time, is the GUI thread's.
        presses.pressed(50, 3001);
        QVERIFY(presses.claim(50, 3002));
        QVERIFY(presses.begin_report(50, 3003));
        QCOMPARE(presses.due(3200, 0), Released());
    }

    void releases_are_keyed_to_each_press() {
        FrozenPresses presses;
        presses.pressed(100, 0);
        presses.pressed(200, 100);
        QCOMPARE(presses.due(120, 0), Released({100}));
        QVERIFY(presses.claim(200, 120));
        QVERIFY(!presses.released(200));
        QCOMPARE(presses.due(230, 60), Released({200}));
    }
};

QTEST_MAIN(TestFrozenPresses)
#include "tst_frozen_presses.moc"
