#include "AppHarness.h"
#include "shortcuts/ShortcutsDialog.h"
#include "windows/HelperDialog.h"
#include "windows/MainWindowForm.h"
#include "windows/NoteDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTextDocument>
#include <QtTest>

namespace {
QKeySequence seq(const QString& text) {
    return QKeySequence(text, QKeySequence::NativeText);
}
FakeGlobalHotkeys& hotkeys() {
    return FakePlatform::get().hotkeys();
}
void write_settings(const QByteArray& content) {
    QFile file(AppHarness::settings_file());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}
} // namespace

// The shortcut dialog's capture of a combination, its refusals, the hotkeys released while it
// is open and brought back however it closes, and the [Shortcuts] group that keeps changes.
class TestShortcutsDialog : public QObject {
    Q_OBJECT
    // The one place the objects under test are built: the dialog alone, or App for the wiring.
    std::unique_ptr<ShortcutsDialog> alone;
    std::unique_ptr<App> app;
    ShortcutsDialog* dialog = nullptr;
    MainWindowForm* form = nullptr;

    void make_app() {
        alone.reset();
        app.reset();
        app = AppHarness::make_app();
        dialog = app->shortcuts_dialog();
        form = app->form();
    }
    // As the main window's button opens it.
    void open() { form->button_show_shortcut_settings->click(); }

    template <class Window> static Window* visible() {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<Window*>(widget); window && window->isVisible())
                return window;
        return nullptr;
    }
    // Clicks the row's button, presses the keys in order and releases the last one.
    void capture(int row, const QList<Qt::Key>& keys) {
        dialog->row_button(row)->click();
        QVERIFY(dialog->is_capturing());
        for (Qt::Key key : keys)
            QTest::keyPress(dialog, key);
        QTest::keyRelease(dialog, keys.last());
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

    void a_combination_is_taken_when_its_first_key_is_released() {
        capture(12, {Qt::Key_Control, Qt::Key_Alt, Qt::Key_M});
        QVERIFY(!dialog->is_capturing());
        QCOMPARE(dialog->sequence(12), QStringLiteral("Ctrl+Alt+M"));
        QCOMPARE(dialog->row_button(12)->text(), QStringLiteral("Ctrl+Alt+M"));
        QVERIFY(dialog->row_button(12)->isVisibleTo(dialog));

        // A sixth key is ignored.
        capture(0, {Qt::Key_Control, Qt::Key_Alt, Qt::Key_Shift, Qt::Key_A, Qt::Key_B, Qt::Key_C});
        QCOMPARE(dialog->sequence(0), QStringLiteral("Ctrl+Alt+Shift+A+B"));

        // Keys without a character of their own keep their names, so they register themselves.
        capture(16, {Qt::Key_F1});
        QCOMPARE(dialog->sequence(16), QStringLiteral("F1"));
        capture(17, {Qt::Key_Control, Qt::Key_Home});
        QCOMPARE(dialog->sequence(17), QStringLiteral("Ctrl+Home"));
        capture(10, {Qt::Key_Control, Qt::Key_Space});
        QCOMPARE(dialog->sequence(10), QStringLiteral("Ctrl+Space"));
    }

    void combinations_the_keyboard_hook_needs_are_refused_visibly() {
        capture(11, {Qt::Key_Control, Qt::Key_V});
        QCOMPARE(dialog->sequence(11), QStringLiteral("Ctrl+\\"));
        QCOMPARE(dialog->row_button(11)->text(), QStringLiteral("Ctrl+\\"));
        QVERIFY(dialog->message_label()->text().contains("Ctrl+V"));
        QVERIFY(dialog->message_label()->text().contains("Ctrl+\\"));

        capture(13, {Qt::Key_Alt, Qt::Key_Print});
        QCOMPARE(dialog->sequence(13), QStringLiteral("Ctrl+Alt+P"));
        for (const char* taken : {"Ctrl+C", "Ctrl+X", "Ctrl+V", "Print", "Ctrl+Print"})
            QVERIFY2(!ShortcutsDialog::refusal(taken).isEmpty(), taken);
        for (const char* free : {"Ctrl+Shift+V", "Ctrl+Alt+V", "Ctrl+Alt+C", "Ctrl+Alt+P"})
            QVERIFY2(ShortcutsDialog::refusal(free).isEmpty(), free);

        // The next capture that is taken clears the message.
        capture(12, {Qt::Key_Control, Qt::Key_Alt, Qt::Key_M});
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
        capture(2, {Qt::Key_Control, Qt::Key_Alt, Qt::Key_8});
        QCOMPARE(dialog->sequence(1), QStringLiteral("Ctrl+Alt+0"));
        QCOMPARE(dialog->sequence(2), QStringLiteral("Ctrl+Alt+8"));

        // Switching rows mid-capture drops the partial text of the first.
        dialog->row_button(3)->click();
        QTest::keyPress(dialog, Qt::Key_Control);
        capture(4, {Qt::Key_Control, Qt::Key_Alt, Qt::Key_Period});
        QCOMPARE(dialog->sequence(3), QStringLiteral("Ctrl+Alt+<"));
        QCOMPARE(dialog->row_button(3)->text(), QStringLiteral("Ctrl+Alt+<"));
        dialog->hide();
    }

    void opening_releases_every_hotkey_ok_or_close_bring_them_back_and_changes_are_kept() {
        make_app();
        open();
        QVERIFY(dialog->isVisible());
        QVERIFY(hotkeys().registered().isEmpty());
        capture(12, {Qt::Key_Control, Qt::Key_Alt, Qt::Key_M});
        dialog->findChild<QPushButton*>("button_ok")->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(hotkeys().registered().size(), 18);
        QVERIFY(hotkeys().trigger(seq("Ctrl+Alt+M")));
        QVERIFY(visible<NoteDialog>());
        QVERIFY(form->button_toggle_note_dialog->toolTip().endsWith("Shortcut: Ctrl+Alt+M"));
        {
            // Kept at once, and only the rows that differ from their defaults.
            QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
            QCOMPARE(file.value("Shortcuts/ToggleNote").toString(), QStringLiteral("Ctrl+Alt+M"));
            file.beginGroup("Shortcuts");
            QCOMPARE(file.allKeys(), QStringList{"ToggleNote"});
        }
        make_app();
        QCOMPARE(dialog->row_button(12)->text(), QStringLiteral("Ctrl+Alt+M"));
        QVERIFY(hotkeys().is_registered(seq("Ctrl+Alt+M")));
        QVERIFY(!hotkeys().is_registered(seq("Ctrl+Alt+N")));

        // The title bar's close button rejects; the hotkeys come back just the same.
        open();
        QVERIFY(hotkeys().registered().isEmpty());
        capture(1, {Qt::Key_Control, Qt::Key_Alt, Qt::Key_7});
        QVERIFY(dialog->close());
        QCOMPARE(hotkeys().registered().size(), 18);
        QVERIFY(form->button_change_mode->toolTip().endsWith("Shortcut: Ctrl+Alt+7"));

        // Back to the default: the group empties.
        open();
        capture(12, {Qt::Key_Control, Qt::Key_Alt, Qt::Key_N});
        capture(1, {Qt::Key_Control, Qt::Key_Alt, Qt::Key_0});
        dialog->accept();
        QSettings file(AppHarness::settings_file(), QSettings::IniFormat);
        file.beginGroup("Shortcuts");
        QVERIFY(file.allKeys().isEmpty());
    }

    void stored_sequences_that_do_not_parse_or_are_refused_fall_back() {
        write_settings("[General]\nSaveVersion=2\nIsFirstStart=false\n[Shortcuts]\n"
                       "ToggleNote=Ctrl+Alt+Bogus\nLockCurrentPosition=Ctrl+V\n"
                       "SwitchPasteOrder=\nLiveZoom=Ctrl+Alt+L\nNoSuchRow=Ctrl+Q\n");
        make_app();
        QCOMPARE(dialog->sequence(12), QStringLiteral("Ctrl+Alt+N"));
        QCOMPARE(dialog->sequence(11), QStringLiteral("Ctrl+\\"));
        QCOMPARE(dialog->sequence(0), QStringLiteral("Ctrl+Alt+/"));
        QCOMPARE(dialog->sequence(16), QStringLiteral("Ctrl+Alt+L"));
        QVERIFY(hotkeys().is_registered(seq("Ctrl+Alt+L")));
        QVERIFY(hotkeys().is_registered(seq("Ctrl+Alt+N")));
        QVERIFY(!hotkeys().is_registered(seq("Ctrl+V")));
    }

    void the_help_page_shows_the_sequences_set_now() {
        make_app();
        dialog->set_sequence(1, QStringLiteral("Ctrl+Alt+7"));
        form->button_show_helper_dialog->click();
        auto* help = visible<HelperDialog>();
        QVERIFY(help);
        QVERIFY(help->isModal());
        QTextDocument page;
        page.setHtml(help->text());
        const QString text = page.toPlainText();
        QVERIFY(text.contains("Ctrl+Alt+7 - Pause/resume Corvana"));
        // Sequences with markup characters show as typed.
        QVERIFY(text.contains("Ctrl+Alt+< - Go Back in History"));
        QVERIFY(text.contains("Ctrl+Alt+Space - Show Autocomplete History"));
        QPointer<HelperDialog> gone(help);
        help->findChild<QPushButton*>()->click();
        QTRY_VERIFY(gone.isNull()); // freed when closed
    }
};

QTEST_MAIN(TestShortcutsDialog)
#include "tst_shortcuts_dialog.moc"
