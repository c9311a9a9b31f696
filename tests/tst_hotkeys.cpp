#include "AppHarness.h"
#include "FakeKeyboard.h"
#include "app/InstanceCommands.h"
#include "platform/VirtualKeys.h"
#include "shortcuts/HotkeyProcessor.h"
#include "shortcuts/QHotkey.h"
#include "shortcuts/ShortcutsDialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QtTest>

using namespace VirtualKeys;

namespace {
QKeySequence seq(const char* text) {
    return QKeySequence(QString::fromLatin1(text), QKeySequence::NativeText);
}
FakeGlobalHotkeys& hotkeys() {
    return FakePlatform::get().hotkeys();
}
FakeKeyboard& keyboard() {
    return *FakePlatform::get().keyboard();
}
QString clipboard_text() {
    return QGuiApplication::clipboard()->text();
}
} // namespace

class TestHotkeys : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;

    void fill(const QStringList& texts) {
        app->m_paste_order = QStringLiteral("forward");
        if (app->m_rich_text_copy_enabled)
            app->toggle_rich_text_copy();
        for (const QString& text : texts)
            AppHarness::copy_text(text);
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        FakePlatform::get().injector().set_delivery(FakeInputInjector::Delivery::Synchronous);
        FakePlatform::get().injector().clear();
        FakePlatform::get().fake_key_state().clear();
        app = AppHarness::make_app();
    }
    void cleanup() { app.reset(); }

    void every_default_is_registered_and_acts() {
        for (int row = 0; row < ShortcutsDialog::row_count; ++row)
            QVERIFY2(
                hotkeys().is_registered(seq(ShortcutsDialog::default_sequence(row).toLatin1())),
                qPrintable(ShortcutsDialog::label(row)));
        QCOMPARE(hotkeys().registered().size(), 18);

        fill({"A", "B", "C"});
        QVERIFY(hotkeys().trigger(seq("Ctrl+Alt+/")));
        QCOMPARE(app->m_paste_order, QStringLiteral("backward"));
        QCOMPARE(app->m_current_clipboard_history_position, 2);
        hotkeys().trigger(seq("Ctrl+Alt+<")); // undo in backward order climbs
        QCOMPARE(app->m_current_clipboard_history_position, 2);
        hotkeys().trigger(seq("Ctrl+Alt+Right"));
        QCOMPARE(app->m_current_clipboard_history_position, 1);
        hotkeys().trigger(seq("Ctrl+Alt+>"));
        QCOMPARE(app->m_current_clipboard_history_position, 0);
        hotkeys().trigger(seq("Ctrl+Alt+Left"));
        QCOMPARE(app->m_current_clipboard_history_position, 1);

        hotkeys().trigger(seq("Ctrl+\\"));
        QVERIFY(app->m_position_locked);
        hotkeys().trigger(seq("Ctrl+Alt+0"));
        QVERIFY(app->m_is_paused);
        hotkeys().trigger(seq("Ctrl+Alt+0"));
        QVERIFY(!app->m_is_paused);
        hotkeys().trigger(seq("Ctrl+Alt+Shift+H"));
        QVERIFY(app->m_corvana_clipboard_text_history.isEmpty());
        hotkeys().trigger(seq("Ctrl+Alt+9"));
        QVERIFY(app->m_rich_text_copy_enabled);

        hotkeys().trigger(seq("Ctrl+Alt+D"));
        bool shown = false;
        for (QWidget* widget : QApplication::topLevelWidgets())
            shown |= qobject_cast<QMessageBox*>(widget) && widget->isVisible() &&
                     widget->windowTitle() == QLatin1String("Clipboard History");
        QVERIFY(shown);

        // Rows whose tools are not built yet are registered and leave the queue alone.
        fill({"X", "Y"});
        const int position = app->m_current_clipboard_history_position;
        const QString on_clipboard = clipboard_text();
        QVERIFY(hotkeys().trigger(seq("Ctrl+Alt+P")));
        QVERIFY(hotkeys().trigger(seq("Ctrl+Shift+V")));
        QCOMPARE(app->m_corvana_clipboard_text_history, QStringList({"X", "Y"}));
        QCOMPARE(app->m_current_clipboard_history_position, position);
        QCOMPARE(clipboard_text(), on_clipboard);
    }

    void disconnecting_frees_every_sequence_and_updating_restores_one_action_each() {
        HotkeyProcessor* processor = app->get_hotkey_instance();
        processor->disconnect_shortcuts();
        QVERIFY(hotkeys().registered().isEmpty());
        QVERIFY(!hotkeys().trigger(seq("Ctrl+Alt+/")));
        QCOMPARE(app->m_paste_order, QStringLiteral("backward"));

        app->shortcuts_dialog()->set_sequence(0, QStringLiteral("Ctrl+Alt+O"));
        app->update_global_shortcuts();
        app->update_global_shortcuts(); // a second update must not double the action
        QCOMPARE(hotkeys().registered().size(), 18);
        QVERIFY(!hotkeys().is_registered(seq("Ctrl+Alt+/")));
        hotkeys().trigger(seq("Ctrl+Alt+O"));
        QCOMPARE(app->m_paste_order, QStringLiteral("forward"));
    }

    void refused_and_unparsable_sequences_are_logged_and_skipped() {
        app.reset();
        hotkeys().hold_elsewhere(seq("Ctrl+Alt+D"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^QHotkey: Failed to register hotkey\\. Error: "
                                                "BadAccess.*"));
        app = AppHarness::make_app();
        QCOMPARE(hotkeys().registered().size(), 17);
        QVERIFY(!app->get_hotkey_instance()->hotkey(9)->isRegistered());

        hotkeys().set_unmappable(seq("Ctrl+Alt+N"));
        app->get_hotkey_instance()->disconnect_shortcuts();
        app->shortcuts_dialog()->set_sequence(0, QStringLiteral("Ctrl+Bogus+"));
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression("^QHotkey: Unable to map shortcut to native keys\\. "
                                             "Key: Ctrl\\+Alt\\+N"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Failed to register hotkey"));
        app->update_global_shortcuts();
        QVERIFY(app->get_hotkey_instance()->hotkey(0)->shortcut().isEmpty());
        QCOMPARE(hotkeys().registered().size(), 15);
    }

    void ctrl_key_handler_dispatch() {
        fill({"A", "B"});
        app->m_current_clipboard_history_position = 0;

        keyboard().tap({V}); // no Ctrl: nothing
        keyboard().tap({C});
        QCOMPARE(app->m_current_clipboard_history_position, 0);
        keyboard().tap({Control, Shift, V});
        QCOMPARE(app->m_current_clipboard_history_position, 0);
        keyboard().tap({Control, V});
        QCOMPARE(clipboard_text(), QStringLiteral("A"));
        QCOMPARE(app->m_current_clipboard_history_position, 1);

        app->lock_current_position();
        keyboard().tap({Control, X}); // a cut keeps the lock until its clipboard change
        QVERIFY(app->m_position_locked);
        keyboard().tap({Control, Shift, C}); // Shift does not matter for copy
        QVERIFY(!app->m_position_locked);

        app->m_template_row_counter = 3;
        keyboard().tap({Control, C});
        QCOMPARE(app->m_template_row_counter, 0);

        // Tools not built yet: their keys paste nothing and move nothing; Print stays ours.
        const int position = app->m_current_clipboard_history_position;
        keyboard().tap({Control, PrintScreen});
        keyboard().tap({Control, Alt, B});
        QCOMPARE(app->m_current_clipboard_history_position, position);
        QCOMPARE(clipboard_text(), QStringLiteral("A"));
        QVERIFY(!keyboard().passed_on().contains(PrintScreen));
        QVERIFY(keyboard().passed_on().contains(B));
    }

    void print_screen_is_swallowed_only_while_enabled() {
        QVERIFY(keyboard().print_screen_swallowed());
        keyboard().tap({PrintScreen});
        QVERIFY(!keyboard().passed_on().contains(PrintScreen));
        app->m_print_screen_enabled = false;
        app->update_ui();
        keyboard().tap({PrintScreen});
        QVERIFY(keyboard().passed_on().contains(PrintScreen));
    }

    void keyboard_shortcuts_setting_controls_the_hook() {
        QVERIFY(keyboard().hooked());
        app->m_use_keyboard_shortcuts = false;
        app.reset();
        app = AppHarness::make_app();
        QVERIFY(!app->m_use_keyboard_shortcuts);
        QVERIFY(!keyboard().hooked());
        QVERIFY(!app->m_keyboard_hooked);
        fill({"A"});
        AppHarness::copy_text("system");
        app->m_corvana_clipboard_text_history = QStringList({"A"});
        keyboard().tap({Control, V});
        QCOMPARE(clipboard_text(), QStringLiteral("system"));

        app->m_use_keyboard_shortcuts = true;
        app->reconnect_keyboard_hook();
        QVERIFY(keyboard().hooked());
        app->reconnect_keyboard_hook(); // already hooked: no second install
        const int calls = keyboard().hook_calls();
        app->reconnect_keyboard_hook();
        QCOMPARE(keyboard().hook_calls(), calls);
    }

    void simulated_paste_delivered_at_once_or_later() {
        fill({"A", "B"});
        app->m_current_clipboard_history_position = 0;
        AppHarness::copy_text("system");
        app->m_corvana_clipboard_text_history = QStringList({"A", "B"});

        app->SimulateCtrlV();
        const QList<QPair<int, bool>> expected = {
            {Control, true}, {V, true}, {V, false}, {Control, false}};
        QCOMPARE(FakePlatform::get().injector().sent(), expected);
        QCOMPARE(clipboard_text(), QStringLiteral("A"));

        FakePlatform::get().injector().set_delivery(FakeInputInjector::Delivery::Later);
        app->SimulateCtrlV();
        QCOMPARE(clipboard_text(), QStringLiteral("A")); // not yet
        QTRY_COMPARE(clipboard_text(), QStringLiteral("B"));
        QVERIFY(!FakePlatform::get().fake_key_state().is_key_down(Control));
    }

    // Asked for from outside (a script, a desktop's shortcut): each one pastes the next entry
    // once, whether the hook reports the keys at once, later (Windows), or not at all.
    void paste_next_from_outside_data() {
        QTest::addColumn<bool>("hooked");
        QTest::addColumn<bool>("later");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<QStringList>("pasted");
        QTest::newRow("hooked, reported at once")
            << true << false << false << QStringList{"A", "B"};
        QTest::newRow("hooked, reported later") << true << true << false << QStringList{"A", "B"};
        QTest::newRow("no hook") << false << false << false << QStringList{"A", "B"};
        QTest::newRow("paused") << true << false << true << QStringList{"own", "own"};
    }
    void paste_next_from_outside() {
        QFETCH(bool, hooked);
        QFETCH(bool, later);
        QFETCH(bool, paused);
        fill({"A", "B", "C"});
        app->m_current_clipboard_history_position = 0;
        if (paused) {
            app->pause_or_resume_corvana();
            AppHarness::copy_text("own");
        }
        if (!hooked)
            app->disconnect_keyboard_hook();
        keyboard().press(Alt); // still held from the desktop's shortcut
        FakePlatform::get().injector().set_delivery(
            later ? FakeInputInjector::Delivery::Later : FakeInputInjector::Delivery::Synchronous);
        FakePlatform::get().injector().clear();
        for (int i = 1; i <= 2; ++i) {
            QVERIFY(InstanceCommands::perform(*app, QStringLiteral("paste-next")));
            QTRY_COMPARE(app->m_current_clipboard_history_position, paused ? 0 : i);
        }
        QFETCH(QStringList, pasted);
        QCOMPARE(FakePlatform::get().injector().pasted(), pasted);
        QVERIFY(FakePlatform::get().injector().sent().contains({Alt, false}));
        keyboard().release(Alt);
    }

    void simulated_paste_for_a_user_holding_ctrl_and_alt() {
        fill({"A", "B"});
        app->m_current_clipboard_history_position = 1;
        keyboard().press(Control);
        keyboard().press(Alt);
        FakePlatform::get().injector().clear();
        app->SimulateCtrlVReleasingAlt();
        const QList<QPair<int, bool>> expected = {{Alt, false}, {V, true}, {V, false}, {Alt, true}};
        QCOMPARE(FakePlatform::get().injector().sent(), expected);
        QCOMPARE(clipboard_text(), QStringLiteral("B"));
        QVERIFY(FakePlatform::get().fake_key_state().is_key_down(Alt));
        keyboard().release(Alt);
        keyboard().release(Control);
    }
};

QTEST_MAIN(TestHotkeys)
#include "tst_hotkeys.moc"
