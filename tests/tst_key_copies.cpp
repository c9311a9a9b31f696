#include "platform/KeyCopies.h"

#include <QtTest>

// Pairing the raw and the grab's copy of each key event, without an X server.
class TestKeyCopies : public QObject {
    Q_OBJECT

private slots:
    // Each step: "c key time press grab twin" (an event arrives: whether it is the twin of one
    // seen before), "r key time grab" (a press was reported through a path) or "t key time grab
    // taken" (whether that report is there to take). Key, time and direction must all agree; the
    // same path twice is two events. Two presses of V in one millisecond, raw copies first: each
    // grab copy pairs with one. A report is taken once, and only by its own path.
    void each_event_is_paired_with_its_twin_once() {
        const QString steps =
            "c 55 1000 1 0 0, c 55 1000 1 1 1, c 55 1000 1 1 0, c 40 7 1 0 0, c 40 7 1 0 0,"
            "c 40 7 1 1 1, c 40 7 1 1 1, c 55 2000 1 0 0, c 56 2000 1 1 0, c 55 2001 1 1 0,"
            "c 55 2000 0 1 0, c 55 2000 1 1 1, c 57 5 1 0 0, c 57 5 0 0 0, c 57 5 1 0 0,"
            "c 57 5 1 1 1, c 57 5 1 1 1, c 57 5 1 1 0, r 55 300 1, t 55 300 0 0, t 55 301 1 0,"
            "t 55 300 1 1, t 55 300 1 0, r 55 300 0, r 55 300 0, t 55 300 0 1, t 55 300 0 1,"
            "t 55 300 0 0";
        KeyCopies copies;
        for (const QString& step : steps.split(',')) {
            const QStringList e = step.simplified().split(' ');
            const quint8 key = quint8(e[1].toUInt());
            const quint32 time = e[2].toUInt();
            if (e[0] == "r")
                copies.reported(key, time, e[3] == "1");
            else if (e[0] == "t")
                QVERIFY2(copies.take_reported(key, time, e[3] == "1") == (e[4] == "1"),
                         qPrintable(step));
            else
                QVERIFY2(copies.is_copy(key, time, e[3] == "1", e[4] == "1") == (e[5] == "1"),
                         qPrintable(step));
        }
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
