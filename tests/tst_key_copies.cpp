#include "platform/KeyCopies.h"

#include <QtTest>

// Pairing the raw and the grab's copy of each key event, without an X server.
class TestKeyCopies : public QObject {
    Q_OBJECT

private slots:
    // Each event: key, time, press, from the grab (else raw), and whether it is the twin of one
    // seen before. Key, time and direction must all agree; the same path twice is two events.
    // Last, two presses of V in one millisecond, raw copies first: each grab copy pairs with one.
    void each_event_is_paired_with_its_twin_once() {
        const QString events =
            "55 1000 1 0 0, 55 1000 1 1 1, 55 1000 1 1 0, 40 7 1 0 0, 40 7 1 0 0,"
            "40 7 1 1 1, 40 7 1 1 1, 55 2000 1 0 0, 56 2000 1 1 0, 55 2001 1 1 0,"
            "55 2000 0 1 0, 55 2000 1 1 1, 57 5 1 0 0, 57 5 0 0 0, 57 5 1 0 0,"
            "57 5 1 1 1, 57 5 1 1 1, 57 5 1 1 0";
        KeyCopies copies;
        for (const QString& event : events.split(',')) {
            const QStringList e = event.simplified().split(' ');
            QVERIFY2(copies.is_copy(e[0].toUInt(), e[1].toUInt(), e[2] == "1", e[3] == "1") ==
                         (e[4] == "1"),
                     qPrintable(event));
        }
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
