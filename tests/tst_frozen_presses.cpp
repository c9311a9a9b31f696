#include "platform/FrozenPresses.h"

#include <QtTest>

// The watchdog's rules for frozen paste keys, on a virtual clock. A case is a script of steps
// separated by ';', each "operation arguments = expected":
//   press KEY NOW           the raw press seen by the watchdog
//   due NOW BEAT = KEYS     presses let go now (BEAT: ms since the GUI thread last beat)
//   claim KEY NOW = 0|1     the GUI thread takes the press up
//   report KEY NOW = 0|1    the GUI thread begins reporting it
//   finish KEY, released KEY = 0|1, next NOW = WHEN, pending = 0|1
// U stands for unclaimed_ms, C for hard_cap_ms, with an optional +N or -N.
class TestFrozenPresses : public QObject {
    Q_OBJECT

    static qint64 value(const QString& word) {
        const qint64 base = word.startsWith('U')   ? FrozenPresses::unclaimed_ms
                            : word.startsWith('C') ? FrozenPresses::hard_cap_ms
                                                   : 0;
        return base + (base ? word.mid(1) : word).toLongLong();
    }

private slots:
    void rules_data() {
        QTest::addColumn<QString>("script");
        QTest::newRow("a press the GUI thread never took up goes on once, within 150 ms")
            << "press 1000 0; next 0 = U; due U-1 0 =; due U 0 = 1000; due U+1 0 =;"
               "released 1000 = 1; claim 1000 2000 = 0; report 1000 2000 = 0";
        QTest::newRow("while the GUI thread stays stuck the next presses go at once")
            << "press 1 0; due 120 0 = 1; press 2 121; next 121 = 121; due 121 0 = 2;"
               "claim 1 130 = 0; press 3 140; due 141 0 =; due 260 0 = 3";
        QTest::newRow("a press held by a live GUI thread waits for it up to the hard cap")
            << "press 7 0; claim 7 1 = 1; due 0 10 =; due 200 10 =; due C-10 10 =; due C 10 = 7";
        QTest::newRow("a held press goes on once the GUI thread stops beating")
            << "press 7 0; claim 7 0 = 1; due U-10 90 =; due U+10 49 =; due U+20 50 = 7;"
               "report 7 2200 = 0";
        QTest::newRow("a press being reported is left to the GUI thread until the cap")
            << "press 3 0; claim 3 0 = 1; report 3 10 = 1; due 300 290 =; due C 390 = 3;"
               "finish 3; released 3 = 0";
        QTest::newRow("a finished press is forgotten")
            << "press 5 0; claim 5 2 = 1; report 5 3 = 1; finish 5; next 4 = -1;"
               "due 1000 1000 =; pending = 0";
        QTest::newRow("a raw event that comes after the press was done starts nothing")
            << "claim 4 0 = 1; report 4 1 = 1; finish 4; press 4 2; due 500 0 =;"
               "press 5 510; due 520 0 ="; // and the next press still gets its full time
        QTest::newRow("the GUI thread may see the press before the watchdog does")
            << "claim 9 0 = 1; press 9 5; due 200 0 =; report 9 200 = 1";
        // A replay that grabbed again, same time stamp: let go too (the GUI is stuck); the GUI
        // thread, back, meets both and drops both; a third one, taken up in time, is its own.
        QTest::newRow("two presses in one millisecond are two presses")
            << "press 50 0; due 120 0 = 50; press 50 121; due 121 0 = 50; claim 50 3000 = 0;"
               "finish 50; claim 50 3000 = 0; finish 50; press 50 3001; claim 50 3002 = 1;"
               "report 50 3003 = 1; due 3200 0 =";
        QTest::newRow("releases are keyed to each press")
            << "press 100 0; press 200 100; due 120 0 = 100; claim 200 120 = 1;"
               "released 200 = 0; due 230 60 = 200";
    }
    void rules() {
        QFETCH(QString, script);
        QVERIFY(FrozenPresses::unclaimed_ms <= 150);
        FrozenPresses presses;
        for (const QString& step : script.split(';')) {
            const QStringList sides = step.split('=');
            QStringList in = sides[0].simplified().split(' ');
            const QString op = in.takeFirst();
            QList<qint64> a, want, got;
            for (const QString& word : in)
                a.append(value(word));
            if (sides.size() > 1)
                for (const QString& word : sides[1].simplified().split(' ', Qt::SkipEmptyParts))
                    want.append(value(word));
            const QStringList ops =
                QString("press due claim report finish released next pending").split(' ');
            QVERIFY2(ops.contains(op), qPrintable("unknown step " + step));
            if (op == "press")
                presses.pressed(quint32(a[0]), a[1]);
            else if (op == "finish")
                presses.finished(quint32(a[0]));
            else if (op == "due")
                for (const quint32 key : presses.due(a[0], a[1]))
                    got.append(key);
            else
                got.append(op == "claim"      ? presses.claim(quint32(a[0]), a[1])
                           : op == "report"   ? presses.begin_report(quint32(a[0]), a[1])
                           : op == "released" ? presses.released(quint32(a[0]))
                           : op == "next"     ? presses.next_check(a[0])
                                              : presses.pending());
            QVERIFY2(got == want, qPrintable(step));
        }
    }
};

QTEST_MAIN(TestFrozenPresses)
#include "tst_frozen_presses.moc"
