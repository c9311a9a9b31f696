#include "platform/KeyCopies.h"

#include <QtTest>

// Pairing the raw and the grab's copy of each key event, without an X server.
class TestKeyCopies : public QObject {
    Q_OBJECT

private slots:
    void each_event_is_paired_with_its_twin_once() {
        KeyCopies copies;
        QVERIFY(!copies.is_copy(55, 1000, true, false)); // raw press first
        QVERIFY(copies.is_copy(55, 1000, true, true));   // the grab's copy of it
        QVERIFY(!copies.is_copy(55, 1000, true, true));  // a third event is a new one
        // Same path twice is two events, not a pair.
        QVERIFY(!copies.is_copy(40, 7, true, false));
        QVERIFY(!copies.is_copy(40, 7, true, false));
        QVERIFY(copies.is_copy(40, 7, true, true));
        QVERIFY(copies.is_copy(40, 7, true, true));
        // Key, time and direction must all agree.
        QVERIFY(!copies.is_copy(55, 2000, true, false));
        QVERIFY(!copies.is_copy(56, 2000, true, true));
        QVERIFY(!copies.is_copy(55, 2001, true, true));
        QVERIFY(!copies.is_copy(55, 2000, false, true));
        QVERIFY(copies.is_copy(55, 2000, true, true));
    }

    // Two presses of V in the same millisecond, raw copies first: each grab copy pairs with one.
    void presses_within_one_millisecond_stay_two() {
        KeyCopies copies;
        QVERIFY(!copies.is_copy(55, 5, true, false));
        QVERIFY(!copies.is_copy(55, 5, false, false));
        QVERIFY(!copies.is_copy(55, 5, true, false));
        QVERIFY(copies.is_copy(55, 5, true, true));
        QVERIFY(copies.is_copy(55, 5, true, true));
        QVERIFY(!copies.is_copy(55, 5, true, true));
    }

    void a_report_is_taken_once_and_only_by_its_path() {
        KeyCopies copies;
        copies.reported(55, 300, true);
        QVERIFY(!copies.take_reported(55, 300, false));
        QVERIFY(!copies.take_reported(55, 301, true));
        QVERIFY(copies.take_reported(55, 300, true));
        QVERIFY(!copies.take_reported(55, 300, true));
        copies.reported(55, 300, false);
        copies.reported(55, 300, false);
        QVERIFY(copies.take_reported(55, 300, false));
        QVERIFY(copies.take_reported(55, 300, false));
        QVERIFY(!copies.take_reported(55, 300, false));
    }

    // A twin that never comes is forgotten, so memory stays bounded.
    void old_events_are_forgotten() {
        KeyCopies copies;
        QVERIFY(!copies.is_copy(10, 1, true, false));
        copies.reported(10, 1, true);
        for (quint32 t = 2; t < 2 + KeyCopies::memory; ++t) {
            QVERIFY(!copies.is_copy(11, t, true, false));
            copies.reported(11, t, true);
        }
        QVERIFY(!copies.is_copy(10, 1, true, true));
        QVERIFY(!copies.take_reported(10, 1, true));
        QVERIFY(copies.is_copy(11, 1 + KeyCopies::memory, true, true));
        QVERIFY(copies.take_reported(11, 1 + KeyCopies::memory, true));
    }
};

QTEST_MAIN(TestKeyCopies)
#include "tst_key_copies.moc"
