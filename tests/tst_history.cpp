#include "AppHarness.h"
#include "FakeKeyboard.h"
#include "history/HistoryDialog.h"
#include "history/HistoryEditor.h"
#include "history/ImageViewer.h"
#include "history/ListWidget.h"
#include "platform/VirtualKeys.h"
#include "tray/TrayIcon.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

using namespace VirtualKeys;

// The history popup against App's real history and paste engine, in both orders and with both
// histories (plain text and mime data).
class TestHistory : public QObject {
    Q_OBJECT
    std::unique_ptr<App> app;

    HistoryDialog& dialog() { return *app->history_dialog(); }
    QString paste() {
        FakePlatform::get().keyboard()->tap({Control, V});
        return QGuiApplication::clipboard()->text();
    }
    void setup(const char* order, bool rich, const QStringList& texts, int position) {
        if (app->m_rich_text_copy_enabled != rich)
            app->toggle_rich_text_copy();
        app->m_paste_order = QString::fromLatin1(order);
        for (const QString& text : texts) {
            FakePlatform::get().keyboard()->tap({Control, C});
            AppHarness::copy_text(text);
        }
        app->m_current_clipboard_history_position = position;
    }
    QStringList history() const {
        if (!app->m_rich_text_copy_enabled)
            return app->m_corvana_clipboard_text_history;
        QStringList texts;
        for (const QMimeData* entry : app->m_corvana_clipboard_mime_data_history)
            texts.append(entry->text());
        return texts;
    }
    QStringList rows() {
        QStringList texts;
        for (int i = 0; i < dialog().count(); ++i)
            texts.append(dialog().list()->item(i)->text());
        return texts;
    }
    void copy_secret(const QString& text) {
        auto* secret = new QMimeData;
        secret->setText(text);
        secret->setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
        FakePlatform::get().keyboard()->tap({Control, C});
        QGuiApplication::clipboard()->setMimeData(secret);
    }
    // The text of the last "Clipboard History" box, closing every such box.
    QString debug_text() {
        QString text;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget);
                box && box->windowTitle() == QLatin1String("Clipboard History")) {
                text = box->text();
                box->close();
            }
        return text;
    }
    QAction* tray_entry(const QString& text) {
        for (QAction* action : app->tray_icon()->menu()->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }
    void open() {
        if (dialog().isVisible())
            app->open_history_dialog();
        app->open_history_dialog();
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        QFile::remove(QStringLiteral("autocomplete.json"));
        app = AppHarness::make_app();
    }
    void cleanup() { app.reset(); }

    void both_histories_data() {
        QTest::addColumn<bool>("rich");
        QTest::newRow("text history") << false;
        QTest::newRow("mime-data history") << true;
    }

    void forward_rows_and_delete_data() { both_histories_data(); }
    void forward_rows_and_delete() {
        QFETCH(bool, rich);
        setup("forward", rich, {"A", "B", "C"}, 1);
        open();
        QVERIFY(dialog().isVisible());
        QCOMPARE(dialog().label()->text(), QStringLiteral("Paste order is forward"));
        QCOMPARE(rows(), (QStringList{"B", "C"}));
        QCOMPARE(dialog().current_row(), 0);
        dialog().slot_button_delete_clicked();
        QCOMPARE(rows(), QStringList{"C"});
        QCOMPARE(history(), (QStringList{"A", "C"}));
        QCOMPARE(app->m_current_clipboard_history_position, 1);
        QCOMPARE(paste(), QStringLiteral("C"));

        // Opening again while open closes and empties the list.
        app->open_history_dialog();
        QVERIFY(!dialog().isVisible());
        QCOMPARE(dialog().count(), 0);
        // Deleting with nothing listed does nothing.
        dialog().slot_button_delete_clicked();
        QCOMPARE(history(), (QStringList{"A", "C"}));
    }

    void backward_rows_and_delete_data() { both_histories_data(); }
    void backward_rows_and_delete() {
        QFETCH(bool, rich);
        setup("backward", rich, {"A", "B", "C"}, 2);
        open();
        QCOMPARE(dialog().label()->text(), QStringLiteral("Paste order is backward"));
        QCOMPARE(rows(), (QStringList{"C", "B", "A"}));
        dialog().list()->setCurrentRow(1);
        dialog().slot_button_delete_clicked();
        QCOMPARE(history(), (QStringList{"A", "C"}));
        QCOMPARE(app->m_current_clipboard_history_position, 1);
        QCOMPARE(paste(), QStringLiteral("C"));
        // Deleting the last entries leaves no position.
        app->m_current_clipboard_history_position = 1;
        open();
        dialog().slot_button_delete_clicked();
        dialog().slot_button_delete_clicked();
        QCOMPARE(history(), QStringList());
        QCOMPARE(app->m_current_clipboard_history_position, -1);
    }

    void unset_or_outside_positions() {
        setup("forward", false, {"A", "B"}, -1);
        open();
        QCOMPARE(app->m_current_clipboard_history_position, 0);
        QCOMPARE(rows(), (QStringList{"A", "B"}));
        app->m_current_clipboard_history_position = 2;
        open();
        QCOMPARE(rows(), QStringList());
        app->m_paste_order = QStringLiteral("backward");
        app->m_current_clipboard_history_position = -1;
        open();
        QCOMPARE(rows(), QStringList());
        // A position past the end in backward order lists from the newest instead of reading
        // outside the history.
        app->m_current_clipboard_history_position = 5;
        open();
        QCOMPARE(rows(), (QStringList{"B", "A"}));
        // and its rows reach the entries they show.
        dialog().slot_button_delete_clicked();
        QCOMPARE(history(), QStringList{"A"});
        QCOMPARE(app->m_current_clipboard_history_position, 0);
    }

    void drag_reorders_data() {
        QTest::addColumn<bool>("rich");
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("result");
        for (const bool rich : {false, true}) {
            const char* kind = rich ? "mime" : "text";
            QTest::addRow("%s forward down", kind)
                << rich << "forward" << 1 << 0 << 2 << QStringList{"A", "C", "D", "B"};
            QTest::addRow("%s forward up", kind)
                << rich << "forward" << 1 << 2 << 0 << QStringList{"A", "D", "B", "C"};
            QTest::addRow("%s backward down", kind)
                << rich << "backward" << 3 << 0 << 2 << QStringList{"A", "D", "B", "C"};
            QTest::addRow("%s backward up", kind)
                << rich << "backward" << 3 << 2 << 0 << QStringList{"A", "C", "D", "B"};
        }
    }
    void drag_reorders() {
        QFETCH(bool, rich);
        QFETCH(QString, order);
        QFETCH(int, position);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, result);
        setup(order.toLatin1().constData(), rich, {"A", "B", "C", "D"}, position);
        open();
        // A press and the pointer coming back without a drag in between move nothing.
        ListWidget* list = dialog().list();
        list->setCurrentRow(from);
        emit list->itemPressed(list->item(from));
        list->setCurrentRow(to);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(list, &enter);
        QCOMPARE(history(), (QStringList{"A", "B", "C", "D"}));
        // The list's report of a finished drag.
        emit list->signal_item_pos_changed(from, to);
        QCOMPARE(history(), result);
        QCOMPARE(app->m_current_clipboard_history_position, position);
        // Rows outside the history move nothing.
        emit list->signal_item_pos_changed(0, 9);
        QCOMPARE(history(), result);
    }

    void lock_toggle_data() { both_histories_data(); }
    void lock_toggle() {
        QFETCH(bool, rich);
        setup("backward", rich, {"A", "B", "C"}, 2);
        open();
        dialog().list()->setCurrentRow(2);
        emit dialog().button_lock()->clicked(false);
        QVERIFY(app->m_position_locked);
        QCOMPARE(app->m_saved_position, 2);
        QCOMPARE(app->m_current_clipboard_history_position, 0);
        QCOMPARE(paste() + paste(), QStringLiteral("AA"));
        emit dialog().button_lock()->clicked(false);
        QVERIFY(!app->m_position_locked);
        QCOMPARE(app->m_current_clipboard_history_position, 2);

        app->m_paste_order = QStringLiteral("forward");
        app->m_current_clipboard_history_position = 0;
        open();
        dialog().list()->setCurrentRow(1);
        emit dialog().button_lock()->clicked(false);
        QCOMPARE(app->m_current_clipboard_history_position, 1);
        QCOMPARE(paste(), QStringLiteral("B"));
    }

    // A full history drops its oldest entry at every copy; the rows must still reach the
    // entries they show.
    void a_full_history_maps_rows_to_their_entries_data() {
        QTest::addColumn<bool>("rich");
        QTest::addColumn<QString>("order");
        for (const bool rich : {false, true})
            for (const char* order : {"forward", "backward"})
                QTest::addRow("%s %s", rich ? "mime" : "text", order) << rich << order;
    }
    void a_full_history_maps_rows_to_their_entries() {
        QFETCH(bool, rich);
        QFETCH(QString, order);
        const bool forward = order == QLatin1String("forward");
        QStringList copied;
        for (int i = 1; i <= 100; ++i)
            copied.append(QString::number(i));
        setup(order.toLatin1().constData(), rich, copied, forward ? 0 : 99);
        if (forward) {
            QCOMPARE(paste(), QStringLiteral("1"));
            QCOMPARE(paste(), QStringLiteral("2"));
            QCOMPARE(paste(), QStringLiteral("3"));
        }
        FakePlatform::get().keyboard()->tap({Control, C});
        AppHarness::copy_text(QStringLiteral("101"));
        QCOMPARE(history().size(), 100);
        QVERIFY(!history().contains(QStringLiteral("1")));
        // Forward: "4" is still next, not skipped. Backward: the copy just made is next.
        const QString next = forward ? QStringLiteral("4") : QStringLiteral("101");
        QCOMPARE(app->remaining_count(), forward ? 98 : 100);

        open();
        QStringList shown = rows();
        QCOMPARE(shown.size(), app->remaining_count());
        QCOMPARE(shown.first(), next);

        // Delete row 0: exactly the entry shown there goes, and the rest keep their rows.
        dialog().list()->setCurrentRow(0);
        dialog().slot_button_delete_clicked();
        QVERIFY(!history().contains(next));
        QCOMPARE(history().size(), 99);
        shown.removeFirst();
        QCOMPARE(rows(), shown);
        open();
        QCOMPARE(rows(), shown);

        // Delete row 1.
        dialog().list()->setCurrentRow(1);
        dialog().slot_button_delete_clicked();
        QVERIFY(!history().contains(shown.at(1)));
        shown.removeAt(1);
        open();
        QCOMPARE(rows(), shown);

        // Drag row 0 below row 2.
        emit dialog().list()->signal_item_pos_changed(0, 2);
        shown.move(0, 2);
        open();
        QCOMPARE(rows(), shown);

        // Lock on row 1: every paste gives that row; unlocking goes back.
        const int before = app->m_current_clipboard_history_position;
        dialog().list()->setCurrentRow(1);
        emit dialog().button_lock()->clicked(false);
        QCOMPARE(paste(), shown.at(1));
        QCOMPARE(paste(), shown.at(1));
        emit dialog().button_lock()->clicked(false);
        QCOMPARE(app->m_current_clipboard_history_position, before);
        QCOMPARE(paste(), shown.at(0));
    }

    void a_full_history_previews_the_image_of_its_row_data() {
        QTest::addColumn<QString>("order");
        QTest::newRow("forward") << "forward";
        QTest::newRow("backward") << "backward";
    }
    void a_full_history_previews_the_image_of_its_row() {
        QFETCH(QString, order);
        QStringList copied;
        for (int i = 1; i <= 100; ++i)
            copied.append(QString::number(i));
        setup(order.toLatin1().constData(), true, copied,
              order == QLatin1String("forward") ? 0 : 99);
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        FakePlatform::get().keyboard()->tap({Control, C});
        QGuiApplication::clipboard()->setImage(image);
        open();
        const int image_row = rows().indexOf(QStringLiteral("Image Data"));
        QVERIFY(image_row >= 0);
        ImageViewer* viewer = app->history_image_viewer();
        dialog().slot_item_entered(dialog().list()->item(image_row));
        QVERIFY(viewer->isVisible());
        const int text_row = image_row == 0 ? 1 : image_row - 1;
        dialog().slot_item_entered(dialog().list()->item(text_row));
        QVERIFY(!viewer->isVisible());
    }

    // In the text history the mark rides beside each entry: it follows the entry through
    // deletes and moves, and the same text copied without the mark is not masked.
    void a_secret_mark_stays_with_its_text_entry() {
        setup("backward", false, {"visible"}, 0);
        copy_secret("hunter2");
        setup("backward", false, {"hunter2", "other"}, 3);
        app->show_debug_info();
        const QString debug = debug_text();
        QVERIFY(debug.contains(QStringLiteral("0: visible")));
        QVERIFY(debug.contains(QStringLiteral("1: [secret]")));
        QVERIFY(debug.contains(QStringLiteral("2: hunter2")));
        QCOMPARE(debug.count(QStringLiteral("hunter2")), 1);

        open();
        const QString masked = HistoryEditor::masked_text();
        QCOMPARE(rows(), (QStringList{"other", "hunter2", masked, "visible"}));

        emit dialog().list()->signal_item_pos_changed(2, 0);
        open();
        QCOMPARE(rows(), (QStringList{masked, "other", "hunter2", "visible"}));
        dialog().list()->setCurrentRow(2);
        dialog().slot_button_delete_clicked();
        open();
        QCOMPARE(rows(), (QStringList{masked, "other", "visible"}));
        QCOMPARE(paste(), QStringLiteral("hunter2"));
    }

    // The lock is one state, whether set from the popup, the tray or a shortcut.
    void a_lock_from_the_popup_reaches_the_tray() {
        setup("backward", false, {"A", "B", "C"}, 2);
        open();
        dialog().list()->setCurrentRow(2);
        emit dialog().button_lock()->clicked(false);
        TrayIcon* tray = app->tray_icon();
        QCOMPARE(tray->current_icon_name(), QStringLiteral(":/images/key.svg"));
        QVERIFY(tray_entry("&Unlock Clipboard"));
        QVERIFY(!tray_entry("&Lock CLipboard"));
        // Locking again (the shortcut) keeps the position to go back to.
        app->lock_current_position();
        QCOMPARE(app->m_saved_position, 2);
        QCOMPARE(paste(), QStringLiteral("A"));
        tray_entry("&Unlock Clipboard")->trigger();
        QVERIFY(!app->m_position_locked);
        QCOMPARE(app->m_current_clipboard_history_position, 2);
        QCOMPARE(tray->current_icon_name(), QStringLiteral(":/images/app.png"));
        QVERIFY(tray_entry("&Lock CLipboard"));
        // Unlocking again moves nothing.
        app->m_current_clipboard_history_position = 1;
        app->unlock_current_position();
        QCOMPARE(app->m_current_clipboard_history_position, 1);
        // And the popup shows a lock set from the tray.
        tray_entry("&Lock CLipboard")->trigger();
        open();
        emit dialog().button_lock()->clicked(false);
        QVERIFY(!app->m_position_locked);
        QCOMPARE(tray->current_icon_name(), QStringLiteral(":/images/app.png"));
    }

    void secret_copies_are_queued_masked_and_never_stored_data() { both_histories_data(); }
    void secret_copies_are_queued_masked_and_never_stored() {
        QFETCH(bool, rich);
        setup("backward", rich, {"visible"}, 0);
        auto* secret = new QMimeData;
        secret->setText(QStringLiteral("hunter2"));
        secret->setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
        FakePlatform::get().keyboard()->tap({Control, C});
        QGuiApplication::clipboard()->setMimeData(secret);
        QCOMPARE(history(), (QStringList{"visible", "hunter2"}));
        open();
        QCOMPARE(rows(), (QStringList{HistoryEditor::masked_text(), "visible"}));
        QCOMPARE(paste(), QStringLiteral("hunter2"));
        QFile file(QStringLiteral("autocomplete.json"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray stored = file.readAll();
        QVERIFY(stored.contains("visible"));
        QVERIFY(!stored.contains("hunter2"));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
