#include "AppHarness.h"
#include "TestWidgets.h"
#include "windows/HelperDialog.h"
#include "windows/MainWindowForm.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <QtTest>

// The shortcut dialog's capture of a combination, its refusals, the hotkeys released while it
// is open and brought back however it closes, and the [Shortcuts] group that keeps changes.
class TestShortcutsDialog : public QObject {
    Q_OBJECT
    // The one place the objects under test are built: the dialog alone, or App for the wiring.
    std::unique_ptr<ShortcutsDialog> alone;
    std::unique_ptr<App> app;
    ShortcutsDialog* dialog = nullptr;
    MainWindowForm* form = nullptr;
    static QKeySequence seq(const QString& text) { return QKeySequence(text); }
    static FakeGlobalHotkeys& hotkeys() { return FakePlatform::get().hotkeys(); }

    void make_app() {
        alone.reset();
        app.reset();
        app = AppHarness::make_app();
        dialog = app->shortcuts_dialog();
        form = app->form();
    }
    // As the main window's button opens it.
    void open() { form->button_show_shortcut_settings->click(); }

    // Clicks the row's button, presses the keys named ("Ctrl Alt M") in order and releases the
    // last one: the row's sequence, and what its button shows when that differs.
    QString capture(int row, const QString& keys) {
        dialog->row_button(row)->click();
        if (!dialog->is_capturing())
            return QStringLiteral("no capture");
        const QHash<QString, int> modifiers = {
            {"Ctrl", Qt::Key_Control}, {"Alt", Qt::Key_Alt}, {"Shift", Qt::Key_Shift}};
        int key = 0;
        for (const QString& name : keys.split(' '))
            QTest::keyPress(dialog, Qt::Key(key = modifiers.value(name, QKeySequence(name)[0])));
        QTest::keyRelease(dialog, Qt::Key(key));
        const QString taken = dialog->sequence(row), shown = dialog->row_button(row)->text();
        return dialog->is_capturing() ? QStringLiteral("still capturing")
                                      : taken + (shown == taken ? QString() : " shown " + shown);
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        alone = std::make_unique<ShortcutsDialog>(nullptr);
        dialog = alone.get();
    }
    void cleanup() {
        app.reset();
        alone.reset();
    }

    // Taken when its first key is released; a sixth key is ignored; keys without a character of
    // their own keep their names, so they register themselves.
    void a_combination_is_taken_at_its_release_or_refused_visibly() {
        QCOMPARE(capture(12, "Ctrl Alt M"), "Ctrl+Alt+M");
        QVERIFY(dialog->row_button(12)->isVisibleTo(dialog));
        QCOMPARE(capture(0, "Ctrl Alt Shift A B C"), "Ctrl+Alt+Shift+A+B");
        QCOMPARE(capture(16, "F1"), "F1");
        QCOMPARE(capture(17, "Ctrl Home"), "Ctrl+Home");
        QCOMPARE(capture(10, "Ctrl Space"), "Ctrl+Space");

        // Combinations the keyboard hook needs are refused, and the refusal is shown.
        QCOMPARE(capture(11, "Ctrl V"), "Ctrl+\\");
        const QString message = dialog->message_label()->text();
        QVERIFY(message.contains("Ctrl+V") && message.contains("Ctrl+\\"));
        QCOMPARE(capture(13, "Alt Print"), "Ctrl+Alt+P");
        for (const char* taken : {"Ctrl+C", "Ctrl+X", "Ctrl+V", "Print", "Ctrl+Print"})
            QVERIFY2(!ShortcutsDialog::refusal(taken).isEmpty(), taken);
        for (const char* free : {"Ctrl+Shift+V", "Ctrl+Alt+V", "Ctrl+Alt+C", "Ctrl+Alt+P"})
            QVERIFY2(ShortcutsDialog::refusal(free).isEmpty(), free);
        // The next capture that is taken clears the message.
        capture(12, "Ctrl Alt M");
        QVERIFY(dialog->message_label()->text().isEmpty());
    }

    void escape_cancels_a_capture_and_otherwise_does_nothing() {
        // The window stays within the screen; the form scrolls.
        QVERIFY(dialog->height() <= dialog->screen()->availableGeometry().height());
        dialog->show();
        QTest::keyClick(dialog, Qt::Key_Escape);
        QVERIFY(dialog->isVisible());

        dialog->row_button(1)->click();
        QTest::keyPress(dialog, Qt::Key_Control);
        QTest::keyPress(dialog, Qt::Key_Escape);
        QVERIFY(!dialog->is_capturing());
        QCOMPARE(dialog->row_button(1)->text(), QStringLiteral("Ctrl+Alt+0"));
        // A later capture in another row does not store the cancelled text.
        QCOMPARE(capture(2, "Ctrl Alt 8"), "Ctrl+Alt+8");
        QCOMPARE(dialog->sequence(1), QStringLiteral("Ctrl+Alt+0"));

        // Switching rows mid-capture drops the partial text of the first.
        dialog->row_button(3)->click();
        QTest::keyPress(dialog, Qt::Key_Control);
        capture(4, "Ctrl Alt .");
        QCOMPARE(dialog->sequence(3) + ' ' + dialog->row_button(3)->text(),
                 "Ctrl+Alt+< Ctrl+Alt+<");
        dialog->hide();
    }

    void opening_releases_every_hotkey_ok_or_close_bring_them_back_and_changes_are_kept() {
        make_app();
        open();
        QVERIFY(dialog->isVisible() && hotkeys().registered().isEmpty());
        capture(12, "Ctrl Alt M");
        dialog->findChild<QPushButton*>("button_ok")->click();
        QVERIFY(!dialog->isVisible() && hotkeys().registered().size() == 18);
        QVERIFY(form->button_toggle_note_dialog->toolTip().endsWith("Shortcut: Ctrl+Alt+M"));
        // Kept at once, and only the rows that differ from their defaults (that it acts at once and
        // is saved as typed is e2e_windows').
        QCOMPARE(AppHarness::stored_keys().filter("Shortcuts/"),
                 QStringList{"Shortcuts/ToggleNote"});
        make_app();
        QCOMPARE(dialog->row_button(12)->text(), QStringLiteral("Ctrl+Alt+M"));
        QVERIFY(hotkeys().is_registered(seq("Ctrl+Alt+M")));
        QVERIFY(!hotkeys().is_registered(seq("Ctrl+Alt+N")));

        // The title bar's close button rejects; the hotkeys come back just the same.
        open();
        QVERIFY(hotkeys().registered().isEmpty());
        capture(1, "Ctrl Alt 7");
        QVERIFY(dialog->close() && hotkeys().registered().size() == 18);
        QVERIFY(form->button_change_mode->toolTip().endsWith("Shortcut: Ctrl+Alt+7"));

        // Back to the default: the group empties.
        open();
        capture(12, "Ctrl Alt N");
        capture(1, "Ctrl Alt 0");
        dialog->accept();
        QVERIFY(AppHarness::stored_keys().filter("Shortcuts/").isEmpty());
    }

    void stored_sequences_that_do_not_parse_or_are_refused_fall_back() {
        QVERIFY(TestWidgets::write_file(
            AppHarness::settings_file(),
            "[General]\nSaveVersion=2\nIsFirstStart=false\n[Shortcuts]\nToggleNote=Ctrl+Alt+Bogus\n"
            "LockCurrentPosition=Ctrl+V\nSwitchPasteOrder=\nLiveZoom=Ctrl+Alt+L\nNoSuchRow=Ctrl+"
            "Q\n"));
        make_app();
        QCOMPARE(QStringList({dialog->sequence(12), dialog->sequence(11), dialog->sequence(0),
                              dialog->sequence(16)}),
                 QStringList({"Ctrl+Alt+N", "Ctrl+\\", "Ctrl+Alt+/", "Ctrl+Alt+L"}));
        QVERIFY(hotkeys().is_registered(seq("Ctrl+Alt+L")));
        QVERIFY(hotkeys().is_registered(seq("Ctrl+Alt+N")));
        QVERIFY(!hotkeys().is_registered(seq("Ctrl+V")));
    }

    void the_help_page_shows_the_sequences_set_now() {
        make_app();
        dialog->set_sequence(1, QStringLiteral("Ctrl+Alt+7"));
        form->button_show_helper_dialog->click();
        QPointer<HelperDialog> help = TestWidgets::windows<HelperDialog>().value(0);
        QVERIFY(help && help->isModal());
        QTextDocument page;
        page.setHtml(help->text());
        const QString text = page.toPlainText();
        // Sequences with markup characters show as typed.
        for (const char* line :
             {"Ctrl+Alt+7 - Pause/resume Corvana", "Ctrl+Alt+< - Go Back in History",
              "Ctrl+Alt+Space - Show Autocomplete History"})
            QVERIFY2(text.contains(line), line);
        help->findChild<QPushButton*>()->click();
        QTRY_VERIFY(help.isNull()); // freed when closed
    }
};

QTEST_MAIN(TestShortcutsDialog)
#include "tst_shortcuts_dialog.moc"
