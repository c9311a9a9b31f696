#include "AppHarness.h"
#include "CoreFixture.h"
#include "FakeKeyboard.h"
#include "TestWidgets.h"
#include "app/InstanceCommands.h"
#include "clipboard/SyntheticPaste.h"
#include "platform/VirtualKeys.h"
#include "shortcuts/HotkeyProcessor.h"
#include "shortcuts/QHotkey.h"

#include <QMessageBox>
#include <QtTest>

using namespace VirtualKeys;

using Keys = QList<QPair<int, bool>>; // each key sent, and whether down

// The global shortcuts and the keyboard hook reach App's slots; what the slots do is tested on
// the core in the other programs.
class TestHotkeys : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;

    static QKeySequence seq(const QString& text) { return QKeySequence(text); }
    static FakeGlobalHotkeys& hotkeys() { return FakePlatform::get().hotkeys(); }
    static FakeKeyboard& keyboard() { return *FakePlatform::get().keyboard(); }
    static FakeInputInjector& injector() { return FakePlatform::get().injector(); }
    // The queue as one line: order, position, lock, pause, history in use and its size.
    QString state() const {
        const ClipboardHistory& history = app->history();
        return QStringLiteral("%1 p%2%3%4%5 n%6")
            .arg(app->m_paste_order)
            .arg(history.position())
            .arg(history.locked() ? " locked" : "", app->m_is_paused ? " paused" : "",
                 history.rich() ? " rich" : "")
            .arg(history.size());
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        injector().set_delivery(FakeInputInjector::Delivery::Synchronous);
        injector().clear();
        FakePlatform::get().fake_key_state().clear();
        app = AppHarness::make_app();
    }
    void cleanup() { app.reset(); }

    void every_default_is_registered_and_acts() {
        for (int row = 0; row < ShortcutsDialog::row_count; ++row)
            QVERIFY2(hotkeys().is_registered(ShortcutsDialog::default_sequence(row)),
                     qPrintable(ShortcutsDialog::label(row)));
        QCOMPARE(hotkeys().registered().size(), 18);

        CoreFixture::copy(QStringList{"A", "B", "C"});
        const QList<QPair<const char*, const char*>> steps = {
            {"Ctrl+Alt+/", "forward p0 rich n3"},
            {"Ctrl+Alt+/", "backward p2 rich n3"},
            {"Ctrl+Alt+<", "backward p2 rich n3"}, // undo in backward order climbs
            {"Ctrl+Alt+Right", "backward p1 rich n3"},
            {"Ctrl+Alt+>", "backward p0 rich n3"},
            {"Ctrl+Alt+Left", "backward p1 rich n3"},
            {"Ctrl+Alt+0", "backward p1 paused rich n3"},
            {"Ctrl+Alt+0", "backward p1 rich n3"},
            {"Ctrl+Alt+Shift+H", "backward p-1 rich n0"},
            {"Ctrl+Alt+9", "backward p-1 n0"},
            // Rows whose tools are not built yet are registered and leave the queue alone.
            {"Ctrl+Alt+P", "backward p-1 n0"},
            {"Ctrl+Shift+V", "backward p-1 n0"}};
        for (const auto& [sequence, after] : steps) {
            QVERIFY2(hotkeys().trigger(seq(sequence)), sequence);
            QCOMPARE(state(), QString::fromLatin1(after));
        }
        hotkeys().trigger(seq("Ctrl+Alt+D"));
        QCOMPARE(TestWidgets::windows<QMessageBox>("Clipboard History").size(), 1);
    }

    // Closing the shortcuts page registers every row again, once: a second update must not
    // double an action, and a changed row frees its old sequence.
    void updating_restores_one_action_each() {
        ShortcutsDialog* page = app->shortcuts_dialog();
        app->on_button_show_shortcut_settings_clicked();
        page->set_sequence(0, QStringLiteral("Ctrl+Alt+O"));
        page->accept();
        page->reject();
        QVERIFY(hotkeys().registered().size() == 18 && !hotkeys().is_registered(seq("Ctrl+Alt+/")));
        hotkeys().trigger(seq("Ctrl+Alt+O"));
        QCOMPARE(state(), QStringLiteral("forward p0 rich n0"));
    }

    void refused_and_unparsable_sequences_are_logged_and_skipped() {
        app.reset();
        hotkeys().hold_elsewhere(seq("Ctrl+Alt+D"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^QHotkey: Failed to register hotkey\\. Error: "
                                                "BadAccess.*"));
        app = AppHarness::make_app();
        QCOMPARE(hotkeys().registered().size(), 17);
        HotkeyProcessor* processor = app->get_hotkey_instance();
        QVERIFY(!processor->hotkey(9)->isRegistered());

        hotkeys().set_unmappable(seq("Ctrl+Alt+N"));
        processor->disconnect_shortcuts();
        app->shortcuts_dialog()->set_sequence(0, QStringLiteral("Ctrl+Bogus+"));
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression("^QHotkey: Unable to map shortcut to native keys\\. "
                                             "Key: Ctrl\\+Alt\\+N"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Failed to register hotkey"));
        processor->update_shortcuts();
        QVERIFY(processor->hotkey(0)->shortcut().isEmpty() && hotkeys().registered().size() == 15);
    }

    void ctrl_key_handler_dispatch() {
        CoreFixture::copy(QStringList{"A", "B"});
        keyboard().tap({V}); // no Ctrl: nothing
        keyboard().tap({C});
        keyboard().tap({Control, Shift, V});
        QCOMPARE(state(), QStringLiteral("backward p1 rich n2"));
        keyboard().tap({Control, V});
        QCOMPARE(state() + ' ' + CoreFixture::clipboard_text(), "backward p0 rich n2 B");

        hotkeys().trigger(seq("Ctrl+\\"));
        keyboard().tap({Control, X}); // a cut keeps the lock until its clipboard change
        QCOMPARE(state(), QStringLiteral("backward p0 locked rich n2"));
        app->m_template_row_counter = 3;
        keyboard().tap({Control, Shift, C}); // Shift does not matter for copy
        QVERIFY(state() == "backward p0 rich n2" && app->m_template_row_counter == 0);

        // Tools not built yet: their keys paste nothing and move nothing; Print stays ours
        // while the screenshot is switched on.
        keyboard().tap({Control, PrintScreen});
        keyboard().tap({Control, Alt, B});
        QCOMPARE(state() + ' ' + CoreFixture::clipboard_text(), "backward p0 rich n2 B");
        QVERIFY(!keyboard().passed_on().contains(PrintScreen) &&
                keyboard().passed_on().contains(B));
        SyntheticPaste::ctrl_v(injector());
        QCOMPARE(injector().sent(),
                 (Keys{{Control, true}, {V, true}, {V, false}, {Control, false}}));
        app->toggle_print_screen_enabled();
        keyboard().tap({PrintScreen});
        QVERIFY(keyboard().passed_on().contains(PrintScreen));
    }

    void keyboard_shortcuts_setting_controls_the_hook() {
        QVERIFY(keyboard().hooked());
        app->m_use_keyboard_shortcuts = false;
        app.reset(); // saved, and read at the next start
        app = AppHarness::make_app();
        CoreFixture::copy(QStringList{"A", "system"});
        keyboard().tap({Control, V});
        QVERIFY(!keyboard().hooked() && CoreFixture::clipboard_text() == "system");

        app->m_use_keyboard_shortcuts = true;
        app->reconnect_keyboard_hook();
        QVERIFY(keyboard().hooked());
        const int calls = keyboard().hook_calls();
        app->reconnect_keyboard_hook(); // already hooked: no second install
        QCOMPARE(keyboard().hook_calls(), calls);
    }

    // Asked for from outside (a script, a desktop's shortcut): each one pastes the next entry
    // once, whether the hook reports the keys at once, later (Windows), or not at all. The
    // shortcut's Alt, still held, goes up for a plain Ctrl+V and down again; a held Ctrl stays.
    // Each row: hooked, reported later, paused, Ctrl held.
    void paste_next_from_outside() {
        for (const char* row : {"1000", "1100", "0000", "1001", "1010"}) {
            const auto flag = [row](int i) { return row[i] == '1'; };
            const bool hooked = flag(0), later = flag(1), paused = flag(2), ctrl = flag(3);
            const QStringList pasted = paused ? QStringList{"own", "own"} : QStringList{"C", "B"};
            cleanup();
            init();
            CoreFixture::copy(QStringList{"A", "B", "C"});
            if (paused) {
                app->pause_or_resume_corvana();
                CoreFixture::copy(QStringLiteral("own"));
            }
            if (!hooked)
                app->disconnect_keyboard_hook();
            if (ctrl)
                keyboard().press(Control);
            keyboard().press(Alt);
            injector().set_delivery(later ? FakeInputInjector::Delivery::Later
                                          : FakeInputInjector::Delivery::Synchronous);
            for (int i = 1; i <= 2; ++i) {
                const int before = app->history().position();
                QVERIFY(InstanceCommands::perform(*app, QStringLiteral("paste-next")));
                QTRY_COMPARE(injector().pasted().size(), i);
                // The queue moves on once the keys are handled (never while paused).
                if (!paused)
                    QTRY_VERIFY(app->history().position() != before);
            }
            QCOMPARE(injector().pasted(), pasted);
            const Keys v = {{V, true}, {V, false}};
            const Keys keys = Keys{{Alt, false}} +
                              (ctrl ? v : Keys{{Control, true}} + v + Keys{{Control, false}}) +
                              Keys{{Alt, true}};
            QCOMPARE(injector().sent().mid(0, keys.size()), keys);
            QTRY_COMPARE(FakePlatform::get().fake_key_state().is_key_down(Control), ctrl);
            QVERIFY(FakePlatform::get().fake_key_state().is_key_down(Alt));
            keyboard().release(Alt);
            keyboard().release(Control);
        }
    }
};

QTEST_MAIN(TestHotkeys)
#include "tst_hotkeys.moc"
