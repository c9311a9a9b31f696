#include "AppHarness.h"
#include "CoreFixture.h"
#include "FakeKeyboard.h"
#include "platform/PasteHold.h"
#include "platform/VirtualKeys.h"

#include <QtTest>
#include <map>

using Request = PasteHold::Request;

namespace {
constexpr quint32 editor = 0x0400000;
constexpr quint32 manager = 0x0600000;

// What a program sends, in ms after the event it reacts to; slow: from a window known to pause
// between requests.
struct Step {
    qint64 after;
    Request kind;
    bool slow = false;
};
using Script = QVector<Step>;

// A desktop on a virtual clock: Ctrl+V presses freeze until the hold lets them go, then reach App
// (on the fake platform) and the editor, which asks for the clipboard as scripted; clipboard
// managers ask whenever a new entry is served. Records what every request got.
struct Desktop {
    explicit Desktop(const Script& editor_script) : editor_script(editor_script) {}
    PasteHold hold;
    qint64 now = 0;
    Script editor_script;
    QHash<quint32, Script> managers;
    QList<QStringList> editor_got;   // per paste let through: what the editor's data requests got
    QHash<quint32, QStringList> got; // everything each client's data requests got
    QList<qint64> frozen_for;        // how long each press stayed frozen

    void press_paste() {
        m_frozen.append(now);
        settle();
    }
    // Presses count times, every delay ms, then runs until every press is let go and read: each
    // goes within the cap after the one before it.
    void press_pastes(int count, qint64 delay) {
        for (int i = 0; i < count; ++i) {
            press_paste();
            run_for(i + 1 < count ? delay : 0);
        }
        for (int i = 0; i <= count && !(m_frozen.isEmpty() && m_pending.empty()); ++i)
            run_for(PasteHold::cap_ms);
        run_for(PasteHold::cap_ms);
    }
    void run_for(qint64 ms) {
        for (const qint64 end = now + ms; now < end;) {
            ++now;
            for (auto it = m_pending.begin(); it != m_pending.end() && it->first <= now;)
                fire(m_pending.extract(it++).mapped());
            settle();
        }
    }
    // A request from client right now (outside any script).
    void request(quint32 client, Request kind) {
        fire({client, {0, kind}, -1});
        settle();
    }

private:
    struct Pending {
        quint32 client;
        Step step;
        int paste; // index into editor_got, -1 for managers
    };
    void fire(const Pending& pending) {
        if (pending.step.kind == Request::Data) {
            const QString text = CoreFixture::clipboard_text();
            got[pending.client].append(text);
            if (pending.paste >= 0)
                editor_got[pending.paste].append(text);
        }
        hold.request(now, pending.client, pending.step.kind, pending.step.slow);
    }
    void schedule(quint32 client, const Script& script, int paste) {
        for (const Step& step : script)
            m_pending.insert({now + step.after, {client, step, paste}});
    }
    void settle() {
        FakeClipboardOwner& owner = FakePlatform::get().fake_clipboard_owner();
        // The server freezes the keyboard on a press only once the press before it has gone on:
        // until then it sits in the server's queue.
        while (!m_frozen.isEmpty()) {
            const qint64 frozen_at = std::max(m_frozen.first(), m_last_release);
            if (!hold.may_release(now, frozen_at))
                break;
            m_frozen.removeFirst();
            frozen_for.append(now - frozen_at);
            m_last_release = now;
            hold.paste_pressed();
            const int served_before = owner.served_texts().size();
            FakePlatform::get().keyboard()->tap({VirtualKeys::Control, VirtualKeys::V});
            const bool served = owner.served_texts().size() > served_before;
            if (served)
                hold.entry_served();
            hold.paste_released(now, editor);
            editor_got.append(QStringList());
            schedule(editor, editor_script, editor_got.size() - 1);
            for (auto it = managers.constBegin(); served && it != managers.constEnd(); ++it)
                schedule(it.key(), it.value(), -1);
        }
    }
    QList<qint64> m_frozen; // press times
    qint64 m_last_release = 0;
    std::multimap<qint64, Pending> m_pending;
};

// What programs send after a paste key, as traced against a scratch clipboard owner.
const Script qt_editor = {{1, Request::Formats}, {2, Request::Data}};
// GTK first asks for its own buffer format, which we refuse, then the list, then the text;
// each step only after the previous answer.
const Script gtk_editor = {{1, Request::Refused}, {4, Request::Formats}, {8, Request::Data}};
// Chromium asks for the list again and again and for the text twice, with pauses of 15 ms
// and, on a busy machine, 30 ms between bursts.
Script chromium() {
    Script script = {{2, Request::Data, true}, {31, Request::Data, true}};
    for (qint64 at : {1, 3, 18, 19, 20, 29, 30, 32, 33, 45, 75})
        script.append({at, Request::Formats, true});
    return script;
}
// Any program on a busy machine: slow to answer the key, and slow between its requests.
const Script busy_program = {
    {40, Request::Formats}, {41, Request::Data}, {100, Request::Formats}, {101, Request::Data}};
} // namespace
Q_DECLARE_METATYPE(Script)

class TestPasteHold : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;

    // Queues 0..9 so that the order pastes them in that sequence (backward is the default).
    void queue_digits(bool forward = true) {
        CoreFixture::copy(forward ? CoreFixture::numbers(0, 9) : CoreFixture::numbers(9, 0));
        if (forward)
            app->switch_paste_order(); // forward from the first
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        app = AppHarness::make_app();
        FakePlatform::get().fake_clipboard_owner().clear();
    }
    void cleanup() { app.reset(); }

    // Every paste's data requests got one and the same entry, and the entries came in order; a
    // clipboard manager reading every entry at once, before the editor has even seen the key,
    // changes nothing.
    void programs_paste_in_order_at_any_rate_data() {
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("delay");
        QTest::addColumn<bool>("forward");
        QTest::addColumn<bool>("with_manager");
        const QList<QPair<const char*, Script>> programs = {{"Qt", qt_editor},
                                                            {"GTK", gtk_editor},
                                                            {"Chromium", chromium()},
                                                            {"busy", busy_program}};
        for (const auto& [name, script] : programs)
            for (int delay : {0, 2, 10, 50})
                for (const bool forward : {true, false})
                    QTest::addRow("%s, %d ms, %s", name, delay, forward ? "forward" : "backward")
                        << script << delay << forward << false;
        QTest::newRow("Chromium with a manager") << chromium() << 2 << true << true;
    }
    void programs_paste_in_order_at_any_rate() {
        QFETCH(Script, script);
        QFETCH(int, delay);
        QFETCH(bool, forward);
        QFETCH(bool, with_manager);
        queue_digits(forward);
        Desktop desktop(script);
        if (with_manager)
            desktop.managers[manager] = {
                {0, Request::Formats}, {1, Request::Data}, {3, Request::Data}};
        desktop.press_pastes(10, delay);
        QCOMPARE(desktop.editor_got.size(), 10);
        QCOMPARE(desktop.got[manager].size(), with_manager ? 20 : 0);
        for (int i = 0; i < 10; ++i) {
            QVERIFY2(!desktop.editor_got[i].isEmpty(),
                     qPrintable(QString("paste %1 read nothing").arg(i)));
            for (const QString& text : desktop.editor_got[i])
                QCOMPARE(text, QString::number(i));
            if (with_manager)
                QCOMPARE(desktop.got[manager].mid(2 * i, 2),
                         (QStringList{QString::number(i), QString::number(i)}));
        }
        // The first press goes at once; none waits for the cap when the program reads.
        QCOMPARE(desktop.frozen_for.first(), 0);
        for (qint64 frozen : desktop.frozen_for)
            QVERIFY(frozen < PasteHold::cap_ms);
    }

    // Each case: the editor's script, and how long each of three presses 2 ms apart stays frozen.
    void a_paste_nobody_reads_waits_for_the_cap_data() {
        QTest::addColumn<bool>("queued");
        QTest::addColumn<Script>("script");
        QTest::addColumn<QList<qint64>>("frozen");
        const qint64 cap = PasteHold::cap_ms;
        // A program that never reads: only the manager asks, and the next press waits until the
        // cap after the first one went.
        QTest::newRow("only a manager reads") << true << Script() << QList<qint64>{0, cap - 2, cap};
        Script flood = {{3, Request::Data}}; // ten thousand requests for the list of formats
        for (int i = 0; i < 10000; ++i)
            flood.append({1 + i / 10, Request::Formats});
        QTest::newRow("requests that never stop") << true << flood << QList<qint64>{0, cap, cap};
        // Empty history: the program reads another program's clipboard, which we never see.
        QTest::newRow("nothing of ours") << false << Script() << QList<qint64>{0, 0, 0};
    }
    void a_paste_nobody_reads_waits_for_the_cap() {
        QFETCH(bool, queued);
        QFETCH(Script, script);
        QFETCH(QList<qint64>, frozen);
        if (queued)
            queue_digits();
        Desktop desktop(script);
        desktop.managers[manager] = {{0, Request::Formats}, {1, Request::Data}};
        desktop.press_pastes(3, 2);
        QCOMPARE(desktop.frozen_for, frozen);
        if (!script.isEmpty())
            QCOMPARE(desktop.editor_got[1], QStringList({"1"}));
    }

    void a_transfer_in_parts_holds_until_done_or_the_cap() {
        queue_digits();
        Desktop desktop(qt_editor);
        desktop.press_paste();
        desktop.run_for(2);
        desktop.hold.transfer_started(editor);
        desktop.run_for(1);
        desktop.press_paste();
        for (int part = 0; part < 15; ++part) { // parts going out, slowly
            desktop.run_for(10);
            desktop.request(editor, Request::Data);
        }
        QCOMPARE(desktop.frozen_for.size(), 1);
        desktop.hold.transfer_ended(desktop.now, editor);
        // Parts 10 ms apart make the quiet period twice that.
        desktop.run_for(2 * 11 + 1);
        QCOMPARE(desktop.frozen_for.size(), 2);
        QVERIFY(desktop.frozen_for[1] > 150);

        // The requestor dies halfway: the next press goes at the cap, and still pastes right.
        desktop.run_for(5);
        desktop.hold.transfer_started(editor);
        desktop.press_paste();
        desktop.run_for(PasteHold::cap_ms + 10);
        QCOMPARE(desktop.frozen_for.last(), PasteHold::cap_ms);
        QCOMPARE(desktop.editor_got[2], QStringList({"2"}));
    }

    void a_program_that_echoes_is_done_when_its_echo_came() {
        queue_digits();
        Desktop desktop(qt_editor);
        desktop.press_paste();
        desktop.run_for(5);
        desktop.hold.echo_seen(desktop.now, editor); // l3afpad sets what it pasted
        // Its pastes from now on: read at +2, and the echo has not come yet.
        for (int press = 0; press < 2; ++press) {
            desktop.press_paste();
            desktop.run_for(100);
            QCOMPARE(desktop.frozen_for.size(), 2);
        }
        desktop.hold.echo_seen(desktop.now, editor);
        desktop.run_for(PasteHold::quiet_ms);
        QCOMPARE(desktop.frozen_for.size(), 3);
        // An echo that never comes: the cap.
        desktop.press_paste();
        desktop.run_for(PasteHold::cap_ms + 5);
        QCOMPARE(desktop.frozen_for.size(), 4);
        QCOMPARE(desktop.editor_got, QList<QStringList>({{"0"}, {"1"}, {"2"}, {"3"}}));
    }

    void an_echo_of_a_paste_is_not_a_copy_but_a_later_copy_is() {
        queue_digits();
        const int entries = app->history_size();
        Desktop desktop(qt_editor);
        desktop.press_paste();
        desktop.run_for(2); // the editor reads "0" now
        QCOMPARE(desktop.editor_got[0], QStringList({"0"}));
        // Within a moment of reading it, the editor takes the clipboard with the same text;
        // another program doing so, or the editor later than the allowance (a menu's Copy), is a
        // copy.
        QVERIFY(desktop.hold.is_echo(desktop.now + 2, editor));
        QVERIFY(desktop.hold.is_echo(desktop.now + PasteHold::echo_ms, editor));
        QVERIFY(!desktop.hold.is_echo(desktop.now + PasteHold::echo_ms + 1, editor));
        QVERIFY(!desktop.hold.is_echo(desktop.now + 2, manager));
        // Ctrl+C or Ctrl+X in between: the user's copy, however soon.
        FakePlatform::get().keyboard()->tap({VirtualKeys::Control, VirtualKeys::C});
        desktop.hold.copy_key_pressed();
        QVERIFY(!desktop.hold.is_echo(desktop.now + 1, editor));
        QCOMPARE(app->history_size(), entries);

        // A manager that read the entry does not make the editor's own later copy an echo.
        desktop.press_paste();
        desktop.run_for(PasteHold::cap_ms);
        desktop.request(manager, Request::Data);
        QVERIFY(!desktop.hold.is_echo(desktop.now + PasteHold::echo_ms + 1, editor));
    }
};

QTEST_MAIN(TestPasteHold)
#include "tst_paste_hold.moc"
