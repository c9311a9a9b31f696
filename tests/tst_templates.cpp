#include "AppHarness.h"
#include "FakeKeyboard.h"
#include "TestWidgets.h"
#include "clipboard/SecretContent.h"
#include "platform/VirtualKeys.h"
#include "templates/TemplateFiller.h"
#include "templates/TemplateMenu.h"
#include "templates/TemplatePaste.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

const QString example = QStringLiteral("Hello, $1 . Thank you for contacting us regarding $2 .");

class TestTemplates : public QObject {
    Q_OBJECT
    // The one place the objects under test are built: the window alone, or App for the paste.
    std::unique_ptr<TemplateMenu> alone;
    std::unique_ptr<App> app;
    TemplateMenu* menu = nullptr;
    TemplatePaste* paste = nullptr;
    QStringList received; // the clipboard as the focused program pastes it, one per Ctrl+V

    static QString templates_dir() { return DataPaths::get().data_root() + "/templates"; }
    static QStringList files() { return QDir(templates_dir()).entryList(QDir::Files, QDir::Name); }
    static QByteArray read(const QString& name) {
        return TestWidgets::read_file(templates_dir() + QLatin1Char('/') + name, "<missing>");
    }
    static void write(const QString& name, const QByteArray& bytes) {
        QVERIFY(TestWidgets::write_file(templates_dir() + QLatin1Char('/') + name, bytes));
    }
    void new_menu() {
        app.reset();
        alone = std::make_unique<TemplateMenu>(nullptr);
        menu = alone.get();
    }
    void new_app() {
        alone.reset();
        app.reset();
        app = AppHarness::make_app();
        menu = app->template_menu();
        paste = app->template_paste();
        received.clear();
        connect(FakePlatform::get().keyboard(), &Keyboard::signal_key_pressed, this,
                [this](int key, int) {
                    if (key == VirtualKeys::V &&
                        FakePlatform::get().fake_key_state().is_key_down(VirtualKeys::Control))
                        received << QGuiApplication::clipboard()->text();
                });
    }
    QListWidget* list() { return menu->findChild<QListWidget*>(QStringLiteral("listWidget")); }
    QLineEdit* name_edit() { return menu->findChild<QLineEdit*>(QStringLiteral("lineEdit")); }
    QTextEdit* text_edit() { return menu->findChild<QTextEdit*>(QStringLiteral("textEdit")); }
    void click(const char* button) { menu->findChild<QPushButton*>(button)->click(); }
    QStringList listed() {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names << list()->item(i)->text();
        return names;
    }
    void type_name(const QString& name) {
        // As typed: one change per keystroke.
        name_edit()->clear();
        for (const QChar c : name)
            name_edit()->insert(QString(c));
    }
    void select_template(const QString& text) {
        click("button_new");
        text_edit()->setPlainText(text);
        click("button_select");
    }
    // Holds Ctrl+Alt, taps B presses times, and lets go once every paste has come back.
    void press_ctrl_alt_b(int presses = 1) {
        FakeKeyboard* keyboard = FakePlatform::get().keyboard();
        keyboard->press(VirtualKeys::Control);
        keyboard->press(VirtualKeys::Alt);
        for (int i = 0; i < presses; ++i) {
            keyboard->press(VirtualKeys::B);
            keyboard->release(VirtualKeys::B);
        }
        QTRY_COMPARE(paste->pending_count(), 0);
        keyboard->release(VirtualKeys::Alt);
        keyboard->release(VirtualKeys::Control);
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        QDir(templates_dir()).removeRecursively();
        QFile::remove(templates_dir());
        FakePlatform::get().fake_key_state().clear();
        FakePlatform::get().injector().set_delivery(FakeInputInjector::Delivery::Synchronous);
        FakePlatform::get().injector().clear();
        new_menu();
    }
    void cleanup() {
        app.reset();
        alone.reset();
    }

    // ---- Filling ----

    // Cells by tab; the filled text, or "<refused>" past the limit (0: the default).
    void fill_rules_data() {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("expected");
        int n = 0;
        const auto columns = [](int first, int last, const char* format) {
            QStringList cells;
            for (int i = first; i <= last; ++i)
                cells << QString::fromLatin1(format).arg(i);
            return cells.join('\t');
        };
        const auto row = [&n](const QString& cells, const QString& text, const QString& expected,
                              int limit = 0) {
            QTest::addRow("%d %s", ++n, qPrintable(cells.left(20) + '|' + text.left(20)))
                << cells << text << limit << expected;
        };
        row("Ann\tSales", example, "Hello, Ann . Thank you for contacting us regarding Sales .");
        row("\t\tc", "[$1][$2][$3]", "[][][c]"); // empty cells kept
        row("a", "$1 $2 $3", "a $2 $3");         // placeholders beyond the cells stay
        row("a\tb\tc", "$2", "b");               // cells beyond the placeholders dropped
        row("a\tb\r", "<$2>", "<b\r>");          // carriage return kept
        // $11 with eleven cells is cell 11, not cell 1 and a 1.
        row(columns(1, 11, "c%1"), "$11|$10|$9", "c11|c10|c9");
        row("x\ty", "$1$2$1$1", "xyxx");               // repeated placeholder
        row("$25\tBob", "$2 owes $1", "Bob owes $25"); // a price in a cell stays
        row("see $2\tB", "$1", "see $2");              // a cell holding a later placeholder
        row("A\tsee $1", "$2", "see $1");              // a cell holding an earlier placeholder
        row("2\tB", "$$1", "$2");                      // a dollar before a placeholder
        row("x$\tB", "$12", "x$2");                    // a cell ending in a dollar
        row("a", "$0 $ $a $", "$0 $ $a $");            // $0 and lone dollars stay
        row("", "[$1][$2]", "[][$2]");                 // empty row gives one empty cell
        // "$2$2\t$3$3\t...": filled again column after column, each one doubled the text.
        row(columns(2, 24, "$%1$%1"), "<$1>|$9", "<$2$2>|$10$10"); // cells naming the next column
        // Rows over the limit are refused, text around the placeholders counted too.
        const QString cell(1000, QLatin1Char('x'));
        const QString hundred = QStringLiteral("$1").repeated(100);
        row(cell, hundred, QString(100000, 'x'), 100000); // at the limit
        row(cell, hundred, "<refused>", 99999);           // one over
        row(cell, hundred + '.', "<refused>", 100000);    // one over by the text
        row(QString(1 << 16, 'y'), QString("$1").repeated(1 << 9), "<refused>"); // over the default
        row(columns(1, 10000, "$c%1"), "$1 $9 $12", "$c1 $c9 $c12"); // wide, without stalling
    }

    void fill_rules() {
        QFETCH(QString, row);
        QFETCH(QString, text);
        QFETCH(int, limit);
        QFETCH(QString, expected);
        const auto filled = limit ? TemplateFiller::fill_template(row, text, limit)
                                  : TemplateFiller::fill_template(row, text);
        QCOMPARE(filled.value_or("<refused>"), expected);
    }

    // ---- The window ----

    void new_names_count_the_folder_and_open_existing_files_untouched() {
        click("button_new");
        click("button_new");
        QCOMPARE(files(), QStringList({"New Template 1.txt", "New Template 2.txt"}));
        QCOMPARE(name_edit()->text(), QStringLiteral("New Template 2"));
        QVERIFY(QFile::remove(templates_dir() + QStringLiteral("/New Template 2.txt")));
        write("New Template 3.txt", "three");
        new_menu();
        // Files of earlier runs are listed by name.
        QCOMPARE(listed(), QStringList({"New Template 1", "New Template 3"}));
        click("button_new");
        QCOMPARE(read("New Template 3.txt"), QByteArray("three"));
        QCOMPARE(text_edit()->toPlainText(), QStringLiteral("three"));
        // Listed once: two entries for one file would rename it under each other.
        QCOMPARE(listed(), QStringList({"New Template 1", "New Template 3"}));
    }

    void saving_and_switching() {
        click("button_new");
        text_edit()->setPlainText("first");
        click("button_new"); // leaving the first template saves it
        QCOMPARE(read("New Template 1.txt"), QByteArray("first"));
        text_edit()->clear();
        click("button_save");
        QCOMPARE(read("New Template 2.txt"), QByteArray(""));
        // An empty text is not written over what the file held.
        write("New Template 2.txt", "kept");
        list()->setCurrentRow(0);
        emit list()->itemClicked(list()->currentItem());
        list()->setCurrentRow(1);
        emit list()->itemClicked(list()->currentItem());
        text_edit()->clear();
        click("button_save");
        QCOMPARE(read("New Template 2.txt"), QByteArray("kept"));
        // Arrow keys in the list show each template, saving the one left.
        text_edit()->setPlainText("typed");
        QTest::keyClick(list(), Qt::Key_Up);
        QCOMPARE(text_edit()->toPlainText(), QStringLiteral("first"));
        QCOMPARE(read("New Template 2.txt"), QByteArray("typed"));
        QTest::keyClick(list(), Qt::Key_Down);
        QCOMPARE(text_edit()->toPlainText(), QStringLiteral("typed"));
        // Non-ASCII text survives a save and a reload.
        text_edit()->setPlainText("Grüße, $1 — ☺");
        menu->close();
        QCOMPARE(QString::fromUtf8(read("New Template 2.txt")), QStringLiteral("Grüße, $1 — ☺"));
    }

    void select_and_duplicate() {
        menu->show();
        click("button_select");
        QVERIFY(menu->isVisible());
        QCOMPARE(menu->selected_template(), QString());

        click("button_new");
        type_name("Reply");
        text_edit()->setPlainText("Dear $1");
        click("button_duplicate");
        QCOMPARE(files(), QStringList({"Reply duplicate.txt", "Reply.txt"}));
        QCOMPARE(read("Reply duplicate.txt"), QByteArray("Dear $1"));
        QCOMPARE(read("Reply.txt"), QByteArray("Dear $1"));
        text_edit()->setPlainText("Hi $1");
        emit list()->itemDoubleClicked(list()->currentItem());
        QVERIFY(!menu->isVisible());
        QCOMPARE(menu->selected_template(), QStringLiteral("Hi $1"));
    }

    // A name refused while typing stays in the field and is no obstacle to the name being
    // typed; when the editing ends on it, the field goes back to a name the file really has.
    void renaming_onto_another_template_is_refused() {
        click("button_new");
        text_edit()->setPlainText("one");
        click("button_new");
        text_edit()->setPlainText("two");
        click("button_save");
        // The file follows each keystroke; a typed extension is not doubled.
        type_name("New Template 12.txt");
        QCOMPARE(files(), QStringList({"New Template 1.txt", "New Template 12.txt"}));
        QCOMPARE(read("New Template 12.txt"), QByteArray("two"));
        QVERIFY(menu->hint().isEmpty());
        emit name_edit()->editingFinished();
        QCOMPARE(name_edit()->text(), QStringLiteral("New Template 12.txt"));
        QCOMPARE(listed(), QStringList({"New Template 1", "New Template 12"}));

        type_name("New Template 1");
        QCOMPARE(read("New Template 1.txt"), QByteArray("one"));
        QVERIFY(menu->hint().contains(QStringLiteral("exists already")));
        QCOMPARE(name_edit()->text(), QStringLiteral("New Template 1"));
        emit name_edit()->editingFinished();
        // The file followed each keystroke up to the refused one.
        QCOMPARE(name_edit()->text(), QStringLiteral("New Template "));
        QVERIFY(QFile::exists(templates_dir() + QStringLiteral("/New Template .txt")));
        click("button_save");
        QCOMPARE(read("New Template 1.txt"), QByteArray("one"));

        // A save after a deletion never writes another template.
        click("button_delete");
        QCOMPARE(files(), QStringList({"New Template 1.txt"}));
        QCOMPARE(name_edit()->text(), QStringLiteral("New Template 1"));
        QCOMPARE(text_edit()->toPlainText(), QStringLiteral("one"));
        click("button_save");
        QCOMPARE(read("New Template 1.txt"), QByteArray("one"));
        click("button_delete");
        QCOMPARE(files(), QStringList());
        QCOMPARE(text_edit()->toPlainText(), QString());
        QCOMPARE(name_edit()->text(), QString());
    }

    void unsafe_names_stay_inside_the_folder() {
        for (const QString& name :
             QStringList{"../escape", "..", "a/b", "a\\b", "", QString("a") + QChar(0) + "b"}) {
            init();
            click("button_new");
            QDir(templates_dir()).mkdir("a"); // where "a/b" would go
            name_edit()->setText(name);
            QCOMPARE(files(), QStringList({"New Template 1.txt"}));
            QVERIFY(!menu->hint().isEmpty());
            QCOMPARE(QDir(DataPaths::get().data_root()).entryList(QDir::Files), QStringList());
            emit name_edit()->editingFinished();
            QCOMPARE(name_edit()->text(), QStringLiteral("New Template 1"));
        }
    }

    void odd_files_open_without_harm() {
        const QByteArray latin1("caf\xe9 $1\xff\xfe");
        write("a latin1.txt", latin1);
        write("b big.txt", QByteArray(10 * 1024 * 1024, 'x'));
        new_menu();
        QVERIFY(text_edit()->toPlainText().startsWith(QStringLiteral("caf")));
        list()->setCurrentRow(1);
        emit list()->itemClicked(list()->currentItem());
        QCOMPARE(text_edit()->toPlainText().size(), 10 * 1024 * 1024);
        // Only looked at: the bytes that are not UTF-8 are not rewritten.
        QCOMPARE(read("a latin1.txt"), latin1);
    }

    void write_failures_show_in_the_window() {
        // Folders where files are expected: refused for root as well.
        click("button_new");
        const QString first = templates_dir() + QStringLiteral("/New Template 1.txt");
        QVERIFY(QFile::remove(first));
        QVERIFY(QDir().mkpath(first));
        text_edit()->setPlainText("text");
        click("button_save");
        QVERIFY(menu->hint().contains(QStringLiteral("could not be saved")));
        QVERIFY(QDir().mkpath(templates_dir() + QStringLiteral("/New Template 2.txt")));
        write("notes.md", "");
        click("button_new");
        QVERIFY(menu->hint().contains(QStringLiteral("could not be created")));
        QCOMPARE(listed(), QStringList({"New Template 1"}));
        // A file where the folder belongs.
        alone.reset();
        QDir(templates_dir()).removeRecursively();
        QVERIFY(QFile(templates_dir()).open(QIODevice::WriteOnly));
        new_menu();
        QVERIFY(menu->hint().contains(QStringLiteral("not a folder")));
        click("button_new");
        QVERIFY(QFileInfo(templates_dir()).isFile());
        QCOMPARE(listed(), QStringList());
    }

    // ---- The special paste ----

    void special_paste_rows_data() {
        QTest::addColumn<bool>("rich");
        QTest::addColumn<QString>("order");
        QTest::addColumn<bool>("later");
        for (const bool rich : {false, true})
            for (const char* order : {"forward", "backward"})
                for (const bool later : {false, true})
                    QTest::addRow("%s %s %s", rich ? "rich" : "text", order,
                                  later ? "loopback later" : "loopback at once")
                        << rich << QString::fromLatin1(order) << later;
    }
    void special_paste_rows() {
        new_app();
        QFETCH(bool, rich);
        QFETCH(QString, order);
        QFETCH(bool, later);
        FakePlatform::get().injector().set_delivery(
            later ? FakeInputInjector::Delivery::Later : FakeInputInjector::Delivery::Synchronous);
        app->m_rich_text_copy_enabled = rich;
        app->m_paste_order = order;
        select_template(example);
        // Rows of a table copied as a secret (here in backward order) are secret too: pasted
        // marked, masked in the history and never in the log.
        const bool secret = order == "backward";
        const QString hint = QLatin1String(SecretContent::hint_format());
        auto* table = new QMimeData;
        table->setText(QStringLiteral("Ann\tSales\nBob\tSupport"));
        if (secret)
            table->setData(hint, "secret");
        QGuiApplication::clipboard()->setMimeData(table);

        const QByteArray printed = AppHarness::standard_output_of([this] { press_ctrl_alt_b(3); });
        const QStringList rows{"Hello, Ann . Thank you for contacting us regarding Sales .",
                               "Hello, Bob . Thank you for contacting us regarding Support ."};
        QCOMPARE(received, rows);
        QCOMPARE(FakePlatform::get().injector().pasted(), rows);
        QVERIFY2(!secret || !printed.contains("Ann"), printed.constData());
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(hint),
                 QByteArray(secret ? "secret" : ""));
        // The table left the queue and the filled rows took its place, already pasted.
        const ClipboardHistory& history = app->history();
        QCOMPARE(history.size(), 2);
        QVERIFY(history.is_secret(0) == secret && history.is_secret(1) == secret);
        QCOMPARE(app->remaining_count(), 0);
        QCOMPARE(app->m_current_clipboard_history_position, secret ? -1 : 2);
        // Modifiers are as the user holds them afterwards.
        QVERIFY(!FakePlatform::get().fake_key_state().is_key_down(VirtualKeys::Alt));
    }

    void the_filled_row_is_pasted_whatever_the_position_holds() {
        new_app();
        app->m_paste_order = QStringLiteral("forward");
        select_template("<$1>");
        AppHarness::copy_text("a\nb");
        AppHarness::copy_text("other");
        press_ctrl_alt_b();
        QCOMPARE(received, QStringList({"<a>"}));
        // The row joined the queue, and the position moved one step as for any paste.
        QCOMPARE(app->history().size(), 2);
        QCOMPARE(app->m_corvana_clipboard_mime_data_history.last()->text(), QStringLiteral("<a>"));
        QCOMPARE(app->m_current_clipboard_history_position, 1);
        FakePlatform::get().keyboard()->tap({VirtualKeys::Control, VirtualKeys::V});
        QCOMPARE(received.last(), QStringLiteral("<a>"));
    }

    void nothing_is_used_up_without_a_template_or_while_paused_and_a_refused_row_is_reported() {
        new_app();
        const ClipboardHistory& history = app->history();
        AppHarness::copy_text(QString(20000, QLatin1Char('h')) + QStringLiteral("\r\nok\r\n"));
        press_ctrl_alt_b();
        QCOMPARE(history.size(), 1);
        select_template(QStringLiteral("$1").repeated(1000));
        app->m_is_paused = !app->m_is_paused;
        press_ctrl_alt_b();
        QCOMPARE(history.size(), 1);
        app->m_is_paused = !app->m_is_paused;
        // The first row is over the limit: reported, and the next press pastes the second.
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral(
                                             "^Tray message: Special paste - Row 1 was not")));
        press_ctrl_alt_b();
        QVERIFY(received.isEmpty());
        QCOMPARE(history.size(), 0);
        // Rows keep their carriage return, and a final line break ends with an empty row.
        press_ctrl_alt_b(3);
        QCOMPARE(received, QStringList({QStringLiteral("ok\r").repeated(1000), QString()}));

        // A new copy starts a new table; a Ctrl+V that never comes back frees the queue.
        FakePlatform::get().keyboard()->tap({VirtualKeys::Control, VirtualKeys::C});
        AppHarness::copy_text("a");
        FakePlatform::get().keyboard()->set_hooked(false);
        paste->press(menu->selected_template()); // as the shortcut does
        QCOMPARE(paste->pending_count(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(paste->pending_count(), 0,
                                  TemplatePaste::pending_timeout_ms + 2000);
    }
};

QTEST_MAIN(TestTemplates)
#include "tst_templates.moc"
