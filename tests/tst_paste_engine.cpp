#include "AppHarness.h"
#include "CoreFixture.h"
#include "FakeKeyboard.h"
#include "clipboard/PasteQueue.h"
#include "platform/VirtualKeys.h"

#include <QtTest>

using namespace VirtualKeys;

class TestPasteEngine : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppHarness::init_process(); }

    // Each case: order, mode (a automatic, m manual, l locked, z paused, each s switches the order
    // first), the history by index ("." for none), the position, what the pastes give one after
    // another ("-" while nothing of ours is pasted), and where the position ends (text/mime where
    // they differ).
    void pastes() {
        const QStringList cases = {
            "backward a ABC 2 CBAA -1", // newest first, then the oldest again
            "forward a ABC 0 ABCCC 3",
            "forward a AB 0 ABB 2/1", // past the end: the mime history's clamped paste stays
            "forward a AB 0 ABBB 2",      "forward m ABC 0 AAA 0",
            "backward a ABC 5 C 1", // past the end, as after a full history dropped one
            "forward l ABC 9 CC 9", // locked past the end: reads the last entry
            "backward l ABC 1 BBB 1",     "sideways a AB 7 -- 7",  "forward a . -1 - 0",
            "backward z AB 1 -- 1",         // paused: the clipboard as it is, and the queue stays
            "backward as ABC -1 ABCCC 3",   // forward from the start
            "backward ass ABC -1 CBAA -1"}; // and backward again from the newest
        for (const bool rich : {false, true}) {
            for (const QString& line : cases) {
                const QStringList c = line.split(' ');
                CoreFixture core(c[0], !c[1].contains('m'), rich);
                CoreFixture::copy(QStringLiteral("-")); // another program's
                core.fill(QString(c[2]).remove('.').split("", Qt::SkipEmptyParts), c[3].toInt());
                core.state.m_position_locked = c[1].contains('l');
                core.settings.m_is_paused = c[1].contains('z');
                for (int i = 0; i < c[1].count('s'); ++i)
                    core.engine.switch_order();
                const int end = c[5].split('/').value(rich, c[5]).toInt();
                QVERIFY2(core.pastes(c[4].size()) == c[4], qPrintable(line));
                QVERIFY2(core.position() == end, qPrintable(line));
            }
        }
        // A text naming files is never pasted as text.
        CoreFixture core;
        CoreFixture::copy(QStringLiteral("-"));
        core.fill({"file:///etc/passwd"}, 0);
        QCOMPARE(core.paste(), QStringLiteral("-"));
    }

    // Each case: the move, order, position, size, and the position it gives.
    void moving_by_hand_and_the_count_shown() {
        const QMap<QString, int (*)(const QString&, int, int)> moves = {
            {"back", &PasteQueue::go_back},
            {"forth", &PasteQueue::go_forward},
            {"left", &PasteQueue::remaining}};
        // forward: back from -1 -> 0, back from p -> min(p, n-1) - 1, forward up to n-1;
        // backward: back climbs toward the newest, forward goes down to -1.
        const QStringList cases = {
            "back forward -1 3 0",    "back forward 5 3 1",   "back forward 1 3 0",
            "forth forward 1 3 2",    "forth forward 2 3 2",  "forth forward 0 0 -1",
            "back backward -1 3 1",   "back backward 0 3 1",  "back backward 2 3 2",
            "forth backward -1 3 -1", "forth backward 2 3 1", "left forward 0 0 0",
            "left forward 1 3 2",     "left forward 3 3 0",   "left backward -1 3 0",
            "left backward 1 3 2"};
        for (const QString& line : cases) {
            const QStringList c = line.split(' ');
            QVERIFY2(moves[c[0]](c[1], c[2].toInt(), c[3].toInt()) == c[4].toInt(),
                     qPrintable(line));
        }
    }

    void lock_holds_one_entry_until_the_next_copy() {
        CoreFixture core(QStringLiteral("backward"));
        core.copy({"A", "B", "C"});
        QCOMPARE(core.paste(), QStringLiteral("C"));          // p = 1
        QVERIFY(core.history.lock() && !core.history.lock()); // again: keeps where to return
        core.position() = 0;                                  // moved while locked
        CoreFixture::copy(QStringLiteral("D")); // the copy restores the saved position
        QVERIFY(!core.history.locked());
        core.position() = 2;
        QVERIFY(!core.history.unlock()); // again: moves nothing
        QCOMPARE(core.texts(), (QStringList{"A", "B", "D", "C"}));
        QCOMPARE(core.paste(), QStringLiteral("D"));
    }

    // A copy whose report still waits in the event loop when Ctrl+V comes is read first, and
    // the paste then serves the entry it finds next in the queue.
    void a_copy_reported_late_is_read_before_the_paste_data() { CoreFixture::history_rows(); }
    void a_copy_reported_late_is_read_before_the_paste() {
        QFETCH(bool, rich);
        CoreFixture core(QStringLiteral("backward"), true, rich);
        core.copy(QStringLiteral("A"));
        core.owner.set_reports_queued(true);
        core.copy(QStringLiteral("B"));
        QCOMPARE(core.history.size(), 1); // not read yet
        QCOMPARE(core.paste(), QStringLiteral("B"));
        QCOMPARE(core.engine.remaining(), 1);
        // The queued report finds nothing left to read.
        QCoreApplication::processEvents();
        QCOMPARE(core.texts(), (QStringList{"A", "B"}));
        QCOMPARE(core.paste(), QStringLiteral("A"));
    }

    // App's wiring: a copy reaches the history and the status indicator, Ctrl+V through the
    // keyboard reaches the engine. The clipboard's change signal comes before the copy is read,
    // so the capture itself must refresh the indicator.
    void the_count_shown_follows_every_copy_and_paste_data() {
        CoreFixture::history_rows({"forward", "backward"});
    }
    void the_count_shown_follows_every_copy_and_paste() {
        QFETCH(QString, order);
        QFETCH(bool, rich);
        AppHarness::remove_settings();
        const auto app = AppHarness::make_app();
        // Defaults: backward, rich text; the page's mode box and the rich-text switch change them.
        if (order == QLatin1String("forward"))
            app->slot_combobox_edit_text_changed(QStringLiteral("Automatic Forward"));
        if (!rich)
            app->toggle_rich_text_copy();
        const ClipboardHistory& history = app->history();
        // As on X11: the copy is read from the event loop, after QClipboard's change signal.
        FakePlatform::get().fake_clipboard_owner().set_reports_queued(true);
        const auto shown = [&] { return app->status_indicator()->counter_text().toInt(); };
        // Each step: a copy, or Ctrl+V and what it pasted; then the count shown.
        const QStringList steps = {"A 1", "B 2", order == "forward" ? "V A 1" : "V B 1", "C 2"};
        for (const QString& step : steps) {
            const QStringList s = step.split(' ');
            const int before = history.size();
            if (s[0] == "V")
                FakePlatform::get().keyboard()->tap({Control, V});
            else
                CoreFixture::copy(s[0]);
            QTRY_COMPARE(history.size(), before + (s[0] != "V"));
            QCOMPARE(CoreFixture::clipboard_text(), s[s.size() - 2]);
            QCOMPARE(shown(), s.last().toInt());
        }
        // A paste armed by the paste key runs on the next clipboard change instead of a capture.
        FakePlatform::get().fake_clipboard_owner().set_reports_queued(false);
        app->paste_pressed();
        CoreFixture::copy(QStringLiteral("trigger"));
        QCOMPARE(history.size(), 3);
        QVERIFY(CoreFixture::clipboard_text() != QLatin1String("trigger"));
        // Switching the history in use empties both.
        app->toggle_rich_text_copy();
        QCOMPARE(history.size(), 0);
        QCOMPARE(shown(), 0);
    }
};

QTEST_MAIN(TestPasteEngine)
#include "tst_paste_engine.moc"
