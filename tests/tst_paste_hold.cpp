#include "AppHarness.h"
#include "FakeKeyboard.h"
#include "FakePasteDesktop.h"
#include "platform/VirtualKeys.h"

#include <QtTest>

using Request = PasteHold::Request;
using Script = FakePasteDesktop::Script;

namespace {
constexpr quint32 editor = 0x0400000;
constexpr quint32 manager = 0x0600000;

// What programs send after a paste key, as traced against a scratch clipboard owner.
Script qt_editor() {
    return {{1, Request::Formats}, {2, Request::Data}};
}
// GTK first asks for its own buffer format, which we refuse, then the list, then the text;
// each step only after the previous answer.
Script gtk_editor() {
    return {{1, Request::Refused}, {4, Request::Formats}, {8, Request::Data}};
}
// Chromium asks for the list again and again and for the text twice, with pauses of 15 ms
// and, on a busy machine, 30 ms between bursts.
Script chromium() {
    Script script;
    for (qint64 at : {1, 3, 18, 19, 20, 29, 30, 32, 33, 45, 75})
        script.append({at, Request::Formats, true});
    script.append({2, Request::Data, true});
    script.append({31, Request::Data, true});
    return script;
}
// Any program on a busy machine: slow to answer the key, and slow between its requests.
Script busy_program() {
    return {
        {40, Request::Formats}, {41, Request::Data}, {100, Request::Formats}, {101, Request::Data}};
}
QStringList digits() {
    QStringList list;
    for (int i = 0; i < 10; ++i)
        list << QString::number(i);
    return list;
}
} // namespace

class TestPasteHold : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;

    FakeKeyboard& keyboard() { return *FakePlatform::get().keyboard(); }

    // Queues 0..9 so that the order pastes them in that sequence (backward is the default).
    void queue_digits(const QString& order) {
        const bool forward = order == QLatin1String("forward");
        QStringList texts = digits();
        if (!forward)
            std::reverse(texts.begin(), texts.end());
        for (const QString& text : texts)
            AppHarness::copy_text(text);
        if (forward)
            app->switch_paste_order(); // forward from the first
    }

    // Every paste's data requests got one and the same entry, and the entries came in order.
    static void verify_in_order(const QList<QStringList>& got) {
        QCOMPARE(got.size(), 10);
        for (int i = 0; i < got.size(); ++i) {
            QVERIFY2(!got[i].isEmpty(), qPrintable(QStringLiteral("paste %1 read nothing").arg(i)));
            for (const QString& text : got[i])
                QCOMPARE(text, QString::number(i));
        }
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        app = AppHarness::make_app();
        FakePlatform::get().fake_clipboard_owner().clear();
    }
    void cleanup() { app.reset(); }

    void programs_paste_in_order_at_any_rate_data() {
        QTest::addColumn<int>("program");
        QTest::addColumn<int>("delay");
        QTest::addColumn<QString>("order");
        const char* names[] = {"Qt", "GTK", "Chromium", "busy"};
        for (int program = 0; program < 4; ++program) {
            for (int delay : {0, 2, 10, 50}) {
                for (const char* order : {"forward", "backward"})
                    QTest::addRow("%s, %d ms, %s", names[program], delay, order)
                        << program << delay << QString::fromLatin1(order);
            }
        }
    }
    void programs_paste_in_order_at_any_rate() {
        QFETCH(int, program);
        QFETCH(int, delay);
        QFETCH(QString, order);
        queue_digits(order);
        FakePasteDesktop desktop(editor);
        const Script scripts[] = {qt_editor(), gtk_editor(), chromium(), busy_program()};
        desktop.set_target_script(scripts[program]);
        desktop.press_pastes(10, delay);
        verify_in_order(desktop.target_got());
        // The first press goes at once; none waits for the cap when the program reads.
        QCOMPARE(desktop.frozen_for().first(), 0);
        for (qint64 frozen : desktop.frozen_for())
            QVERIFY(frozen < PasteHold::cap_ms);
    }

    void a_clipboard_manager_neither_ends_a_hold_nor_disturbs_the_order() {
        queue_digits(QStringLiteral("forward"));
        FakePasteDesktop desktop(editor);
        // It reads every new entry at once, before the editor has even seen the key.
        desktop.add_manager(manager,
                            {{0, Request::Formats}, {1, Request::Data}, {3, Request::Data}});
        desktop.set_target_script(chromium());
        desktop.press_pastes(10, 2);
        verify_in_order(desktop.target_got());
        QCOMPARE(
            desktop.got(manager),
            digits().replaceInStrings(QRegularExpression("^(.)$"), "\\1,\\1").join(',').split(','));

        // A program that never reads: only the manager asks, and the next press (2 ms later)
        // waits until the cap after the first one went.
        app->history().set_position(0);
        FakePasteDesktop silent(editor);
        silent.add_manager(manager, {{0, Request::Formats}, {1, Request::Data}});
        silent.press_pastes(2, 2);
        QCOMPARE(silent.frozen_for(), QList<qint64>({0, PasteHold::cap_ms - 2}));
    }

    void requests_that_never_stop_end_at_the_cap() {
        queue_digits(QStringLiteral("forward"));
        FakePasteDesktop desktop(editor);
        Script flood; // ten thousand requests for the list of formats
        for (int i = 0; i < 10000; ++i)
            flood.append({1 + i / 10, Request::Formats});
        flood.append({3, Request::Data});
        desktop.set_target_script(flood);
        desktop.press_pastes(3, 2);
        QCOMPARE(desktop.frozen_for(), QList<qint64>({0, PasteHold::cap_ms, PasteHold::cap_ms}));
        QCOMPARE(desktop.target_got()[1], QStringList({"1"}));
    }

    void a_transfer_in_parts_holds_until_done_or_the_cap() {
        queue_digits(QStringLiteral("forward"));
        FakePasteDesktop desktop(editor);
        desktop.set_target_script({{1, Request::Formats}, {2, Request::Data}});
        desktop.press_paste();
        desktop.run_for(2);
        desktop.hold().transfer_started(editor);
        desktop.run_for(1);
        desktop.press_paste();
        for (int part = 0; part < 15; ++part) { // parts going out, slowly
            desktop.run_for(10);
            desktop.request(editor, Request::Data);
        }
        QCOMPARE(desktop.frozen_for().size(), 1);
        desktop.hold().transfer_ended(desktop.now(), editor);
        // Parts 10 ms apart make the quiet period twice that.
        desktop.run_for(2 * 11 + 1);
        QCOMPARE(desktop.frozen_for().size(), 2);
        QVERIFY(desktop.frozen_for()[1] > 150);

        // The requestor dies halfway: the next press goes at the cap, and still pastes right.
        desktop.run_for(5);
        desktop.hold().transfer_started(editor);
        desktop.press_paste();
        desktop.run_for(PasteHold::cap_ms + 10);
        QCOMPARE(desktop.frozen_for().last(), PasteHold::cap_ms);
        QCOMPARE(desktop.target_got()[2], QStringList({"2"}));
    }

    void a_program_that_echoes_is_done_when_its_echo_came() {
        queue_digits(QStringLiteral("forward"));
        FakePasteDesktop desktop(editor);
        desktop.set_target_script(qt_editor());
        desktop.press_paste();
        desktop.run_for(5);
        desktop.hold().echo_seen(desktop.now(), editor); // l3afpad sets what it pasted
        desktop.press_paste();
        // Its pastes from now on: read at +2, and the echo has not come yet.
        desktop.run_for(100);
        QCOMPARE(desktop.frozen_for().size(), 2);
        desktop.press_paste();
        desktop.run_for(100);
        QCOMPARE(desktop.frozen_for().size(), 2);
        desktop.hold().echo_seen(desktop.now(), editor);
        desktop.run_for(PasteHold::quiet_ms);
        QCOMPARE(desktop.frozen_for().size(), 3);
        // An echo that never comes: the cap.
        desktop.press_paste();
        desktop.run_for(PasteHold::cap_ms + 5);
        QCOMPARE(desktop.frozen_for().size(), 4);
        QCOMPARE(desktop.target_got(), QList<QStringList>({{"0"}, {"1"}, {"2"}, {"3"}}));
    }

    void nothing_of_ours_on_the_clipboard_holds_nothing() {
        // Empty history: the program reads another program's clipboard, which we never see.
        FakePasteDesktop desktop(editor);
        desktop.press_pastes(3, 2);
        QCOMPARE(desktop.frozen_for(), QList<qint64>({0, 0, 0}));
    }

    void an_echo_of_a_paste_is_not_a_copy_but_a_later_copy_is() {
        queue_digits(QStringLiteral("forward"));
        const int entries = app->history_size();
        FakePasteDesktop desktop(editor);
        desktop.set_target_script(qt_editor());
        desktop.press_paste();
        desktop.run_for(2); // the editor reads "0" now
        QCOMPARE(desktop.target_got()[0], QStringList({"0"}));

        // Within a moment of reading it, the editor takes the clipboard with the same text.
        QVERIFY(desktop.hold().is_echo(desktop.now() + 2, editor));
        // Another program doing so is a copy.
        QVERIFY(!desktop.hold().is_echo(desktop.now() + 2, manager));
        // Later than the echo allowance it is the user's copy (a menu's Copy).
        QVERIFY(desktop.hold().is_echo(desktop.now() + PasteHold::echo_ms, editor));
        QVERIFY(!desktop.hold().is_echo(desktop.now() + PasteHold::echo_ms + 1, editor));
        // Ctrl+C or Ctrl+X in between: the user's copy, however soon.
        keyboard().tap({VirtualKeys::Control, VirtualKeys::C});
        desktop.hold().copy_key_pressed();
        QVERIFY(!desktop.hold().is_echo(desktop.now() + 1, editor));
        QCOMPARE(app->history_size(), entries);

        // A manager that read the entry does not make the editor's own later copy an echo.
        desktop.press_paste();
        desktop.run_for(PasteHold::cap_ms);
        desktop.request(manager, Request::Data);
        QVERIFY(!desktop.hold().is_echo(desktop.now() + PasteHold::echo_ms + 1, editor));
    }
};

QTEST_MAIN(TestPasteHold)
#include "tst_paste_hold.moc"
