#include "AppHarness.h"
#include "FakeKeyboard.h"
#include "clipboard/PasteQueue.h"
#include "platform/VirtualKeys.h"
#include "tray/StatusIndicator.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtTest>

using namespace VirtualKeys;

class TestPasteEngine : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;

    FakeKeyboard& keyboard() { return *FakePlatform::get().keyboard(); }

    // Ctrl+V as the user presses it; returns what the focused program would paste.
    QString paste() {
        keyboard().tap({Control, V});
        return QGuiApplication::clipboard()->text();
    }
    QString pastes(int count) {
        QString result;
        for (int i = 0; i < count; ++i)
            result += paste();
        return result;
    }
    void copy(const QStringList& texts) {
        for (const QString& text : texts) {
            keyboard().tap({Control, C});
            AppHarness::copy_text(text);
        }
    }
    void setup(const char* order, bool automatic, bool rich) {
        app->m_paste_order = QString::fromLatin1(order);
        app->m_automatic_position_movement = automatic;
        if (app->m_rich_text_copy_enabled != rich)
            app->toggle_rich_text_copy();
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        app = AppHarness::make_app();
    }
    void cleanup() {
        FakePlatform::get().fake_clipboard_owner().set_reports_queued(false);
        app.reset();
    }

    void walks_data() {
        QTest::addColumn<bool>("rich");
        QTest::newRow("text history") << false;
        QTest::newRow("mime-data history") << true;
    }

    void walks() {
        QFETCH(bool, rich);
        // The default order is backward: newest first, then the oldest again and again.
        setup("backward", true, rich);
        copy({"A", "B", "C"});
        QCOMPARE(pastes(4), QStringLiteral("CBAA"));
        QCOMPARE(app->m_current_clipboard_history_position, -1);
        QCOMPARE(app->remaining_count(), 0);

        app->switch_paste_order(); // forward from the start
        QCOMPARE(app->m_current_clipboard_history_position, 0);
        QCOMPARE(app->remaining_count(), 3);
        QCOMPARE(pastes(5), QStringLiteral("ABCCC"));
        QCOMPARE(app->remaining_count(), 0);

        app->switch_paste_order(); // backward from the newest
        QCOMPARE(app->m_current_clipboard_history_position, 2);
        QCOMPARE(pastes(2), QStringLiteral("CB"));
    }

    void forward_position_after_the_end_data() { walks_data(); }
    void forward_position_after_the_end() {
        QFETCH(bool, rich);
        setup("forward", true, rich);
        copy({"A", "B"});
        app->m_current_clipboard_history_position = 0;
        pastes(2);
        QCOMPARE(app->m_current_clipboard_history_position, 2);
        paste();
        // Text: stays past the end; mime data: the clamped paste does not move.
        QCOMPARE(app->m_current_clipboard_history_position, rich ? 1 : 2);
        paste();
        QCOMPARE(app->m_current_clipboard_history_position, 2);
    }

    void manual_mode_repeats_until_moved_by_hand() {
        setup("forward", true, false);
        copy({"A", "B", "C"});
        app->m_current_clipboard_history_position = 0;
        app->slot_combobox_edit_text_changed(QStringLiteral("Manual"));
        QVERIFY(!app->m_automatic_position_movement);
        QCOMPARE(app->m_paste_order, QStringLiteral("forward"));
        QCOMPARE(pastes(3), QStringLiteral("AAA"));
        app->clipboard_history_go_forward();
        QCOMPARE(pastes(2), QStringLiteral("BB"));
        app->clipboard_history_go_back();
        QCOMPARE(paste(), QStringLiteral("A"));

        // Pausing leaves manual mode as it was.
        app->pause_or_resume_corvana();
        app->pause_or_resume_corvana();
        QVERIFY(!app->m_automatic_position_movement);

        app->slot_combobox_edit_text_changed(QStringLiteral("Automatic Backward"));
        QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
        QVERIFY(app->m_automatic_position_movement);
        app->slot_combobox_edit_text_changed(QStringLiteral("nonsense"));
        QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
    }

    void lock_holds_one_entry_until_the_next_copy() {
        setup("backward", true, false);
        copy({"A", "B", "C"});
        QCOMPARE(paste(), QStringLiteral("C")); // p = 1
        app->lock_current_position();
        QCOMPARE(pastes(3), QStringLiteral("BBB"));
        QCOMPARE(app->m_current_clipboard_history_position, 1);
        app->m_current_clipboard_history_position = 0; // moved while locked
        keyboard().tap({Control, C});                  // the copy restores the saved position
        QVERIFY(!app->m_position_locked);
        QCOMPARE(app->m_current_clipboard_history_position, 1);
        QCOMPARE(paste(), QStringLiteral("B"));
    }

    void pause_leaves_the_clipboard_and_the_queue_alone() {
        setup("backward", true, false);
        copy({"A", "B"});
        app->pause_or_resume_corvana();
        QVERIFY(app->m_is_paused);
        AppHarness::copy_text("system"); // not recorded while paused
        QCOMPARE(pastes(2), QStringLiteral("systemsystem"));
        app->pause_or_resume_corvana();
        QCOMPARE(app->m_corvana_clipboard_text_history, QStringList({"A", "B"}));
        QCOMPARE(pastes(2), QStringLiteral("BA"));
    }

    void shift_or_no_ctrl_does_not_paste() {
        setup("forward", true, false);
        copy({"A", "B"});
        AppHarness::copy_text("untouched");
        app->m_ignore_next_clipboard_change = false;
        app->m_corvana_clipboard_text_history = QStringList({"A", "B"});
        app->m_current_clipboard_history_position = 0;
        keyboard().tap({Control, Shift, V});
        keyboard().tap({V});
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
        QCOMPARE(app->m_current_clipboard_history_position, 0);
    }

    void file_links_in_text_mode_are_never_pasted() {
        setup("forward", true, false);
        copy({"file:///etc/passwd"});
        AppHarness::copy_text("kept");
        app->m_corvana_clipboard_text_history = QStringList({"file:///etc/passwd"});
        app->m_current_clipboard_history_position = 0;
        QCOMPARE(paste(), QStringLiteral("kept"));
    }

    void unknown_order_and_empty_history_paste_nothing() {
        AppHarness::copy_text("before");
        setup("forward", true, false);
        app->m_corvana_clipboard_text_history.clear();
        QCOMPARE(paste(), QStringLiteral("before"));
        QCOMPARE(app->m_current_clipboard_history_position, 0);

        app->m_corvana_clipboard_text_history = QStringList({"A", "B"});
        app->m_paste_order = QStringLiteral("sideways");
        app->m_current_clipboard_history_position = 7;
        QCOMPARE(paste(), QStringLiteral("before"));
        QCOMPARE(app->m_current_clipboard_history_position, 7);
    }

    void positions_past_the_end_read_inside_the_list() {
        // Backward, after a full history dropped its first entry.
        auto step = PasteQueue::paste_step("backward", false, true, false, 5, 3);
        QVERIFY(step);
        QCOMPARE(step->index, 2);
        QCOMPARE(step->position, 1);
        // Forward while locked beyond the end: reads the last entry, keeps the position.
        step = PasteQueue::paste_step("forward", false, true, true, 9, 3);
        QVERIFY(step);
        QCOMPARE(step->index, 2);
        QCOMPARE(step->position, 9);
        QVERIFY(!PasteQueue::paste_step("forward", false, true, false, 0, 0));
        QVERIFY(!PasteQueue::paste_step("", false, true, false, 0, 3));
    }

    void moving_by_hand() {
        // forward: back from -1 -> 0, back from p -> min(p, n-1) - 1, forward up to n-1
        QCOMPARE(PasteQueue::go_back("forward", -1, 3), 0);
        QCOMPARE(PasteQueue::go_back("forward", 5, 3), 1);
        QCOMPARE(PasteQueue::go_back("forward", 1, 3), 0);
        QCOMPARE(PasteQueue::go_forward("forward", 1, 3), 2);
        QCOMPARE(PasteQueue::go_forward("forward", 2, 3), 2);
        QCOMPARE(PasteQueue::go_forward("forward", 0, 0), -1); // empty history, as written
        // backward: back climbs toward the newest, forward goes down to -1
        QCOMPARE(PasteQueue::go_back("backward", -1, 3), 1);
        QCOMPARE(PasteQueue::go_back("backward", 0, 3), 1);
        QCOMPARE(PasteQueue::go_back("backward", 2, 3), 2);
        QCOMPARE(PasteQueue::go_forward("backward", -1, 3), -1);
        QCOMPARE(PasteQueue::go_forward("backward", 2, 3), 1);
    }

    void count_shown() {
        QCOMPARE(PasteQueue::remaining("forward", 0, 0), 0);
        QCOMPARE(PasteQueue::remaining("forward", 1, 3), 2);
        QCOMPARE(PasteQueue::remaining("forward", 3, 3), 0);
        QCOMPARE(PasteQueue::remaining("backward", -1, 3), 0);
        QCOMPARE(PasteQueue::remaining("backward", 1, 3), 2);

        setup("forward", true, false);
        copy({"A", "B"});
        app->m_current_clipboard_history_position = 0;
        app->update_status_indicator();
        QCOMPARE(app->status_indicator_count(), 2);
        paste();
        QCOMPARE(app->status_indicator_count(), 1); // refreshed by the clipboard change
    }

    // The clipboard's change signal comes before the copy is read, so the capture itself must
    // refresh the indicator.
    void the_count_shown_follows_every_copy_and_paste_data() {
        QTest::addColumn<QString>("order");
        QTest::addColumn<bool>("rich");
        for (const char* order : {"forward", "backward"})
            for (const bool rich : {false, true})
                QTest::addRow("%s %s", order, rich ? "mime" : "text") << order << rich;
    }
    void the_count_shown_follows_every_copy_and_paste() {
        QFETCH(QString, order);
        QFETCH(bool, rich);
        setup(order.toLatin1().constData(), true, rich);
        // As on X11: the copy is read from the event loop, after QClipboard's change signal.
        FakePlatform::get().fake_clipboard_owner().set_reports_queued(true);
        const auto shown = [this] { return app->status_indicator()->counter_text().toInt(); };
        const auto copy_and_settle = [this](const QString& text) {
            const int before = app->history_size();
            copy({text});
            QTRY_COMPARE(app->history_size(), before + 1);
        };
        copy_and_settle("A");
        QCOMPARE(shown(), 1);
        copy_and_settle("B");
        QCOMPARE(shown(), 2);
        QCOMPARE(paste(), order == QLatin1String("forward") ? QStringLiteral("A") : "B");
        QCOMPARE(shown(), 1);
        copy_and_settle("C");
        QCOMPARE(shown(), 2);
        QCOMPARE(app->status_indicator_count(), app->remaining_count());
    }

    // A copy whose report still waits in the event loop when Ctrl+V comes is read first, and
    // the paste then serves the entry it finds next in the queue.
    void a_copy_reported_late_is_read_before_the_paste_data() { walks_data(); }
    void a_copy_reported_late_is_read_before_the_paste() {
        QFETCH(bool, rich);
        setup("backward", true, rich);
        copy({"A"});
        FakePlatform::get().fake_clipboard_owner().set_reports_queued(true);
        copy({"B"});
        QCOMPARE(app->history_size(), 1); // not read yet
        QCOMPARE(paste(), QStringLiteral("B"));
        QCOMPARE(app->history_size(), 2);
        QCOMPARE(app->status_indicator_count(), 1);
        // The queued report finds nothing left to read.
        QCoreApplication::processEvents();
        QCOMPARE(app->history_size(), 2);
        QCOMPARE(paste(), QStringLiteral("A"));
    }

    void a_paste_armed_by_paste_pressed_runs_on_the_next_change() {
        setup("forward", true, false);
        copy({"A", "B"});
        app->m_current_clipboard_history_position = 1;
        app->paste_pressed();
        AppHarness::copy_text("trigger");
        QVERIFY(!app->m_paste_on_next_clipboard_change);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("B"));
        QCOMPARE(app->m_corvana_clipboard_text_history, QStringList({"A", "B"}));
    }
};

QTEST_MAIN(TestPasteEngine)
#include "tst_paste_engine.moc"
