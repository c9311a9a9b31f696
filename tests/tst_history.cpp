#include "AppHarness.h"
#include "CoreFixture.h"
#include "clipboard/HistoryDebugText.h"
#include "history/HistoryDialog.h"
#include "history/HistoryEditor.h"
#include "history/HistoryPopup.h"
#include "history/ImageViewer.h"
#include "history/ListWidget.h"
#include "tray/TrayIcon.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

namespace {
// The history popup's logic on the core, without App and without showing the popup.
struct Popup : CoreFixture {
    using CoreFixture::CoreFixture;
    QWidget page;
    HistoryPopup popup{new HistoryDialog(nullptr), history, settings, copier, &page};

    QStringList rows() { return HistoryEditor::row_texts(history, settings.m_paste_order); }
    bool toggle_lock(int row) {
        return HistoryEditor::toggle_lock(history, settings.m_paste_order, row);
    }
};

QMimeData* secret(const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
    return data;
}

QStringList numbers(int from, int to) {
    QStringList list;
    for (int i = from; i <= to; ++i)
        list.append(QString::number(i));
    return list;
}

void both_histories() {
    QTest::addColumn<bool>("rich");
    QTest::newRow("text history") << false;
    QTest::newRow("mime-data history") << true;
}
} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppHarness::init_process(); }

    // The rows listed from a history and a position, then rows deleted one after another.
    void rows_and_deletes_data() {
        QTest::addColumn<bool>("rich");
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("position");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("deletes"); // row numbers
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("after"); // the position
        const QStringList abc = {"A", "B", "C"}, ab = {"A", "B"};
        for (const bool rich : {false, true}) {
            const auto row = [rich](const char* name) {
                return &(QTest::addRow("%s %s", rich ? "mime" : "text", name) << rich);
            };
            *row("forward") << "forward" << 1 << QStringList{"B", "C"} << "0"
                            << QStringList{"A", "C"} << 1;
            *row("backward") << "backward" << 2 << QStringList{"C", "B", "A"} << "1"
                             << QStringList{"A", "C"} << 1;
            *row("backward, all deleted")
                << "backward" << 2 << QStringList{"C", "B", "A"} << "000" << QStringList() << -1;
            // An unset position shows the whole history in forward order.
            *row("forward unset") << "forward" << -1 << abc << "" << abc << 0;
            *row("forward at the end, nothing to delete")
                << "forward" << 3 << QStringList() << "0" << abc << 3;
            *row("backward unset") << "backward" << -1 << QStringList() << "0" << abc << -1;
            // Past the end in backward order: from the newest instead of outside the history,
            // and its rows reach the entries they show.
            *row("backward past the end")
                << "backward" << 5 << QStringList{"C", "B", "A"} << "0" << ab << 1;
        }
    }
    void rows_and_deletes() {
        QFETCH(bool, rich);
        QFETCH(QString, order);
        QFETCH(int, position);
        QFETCH(QStringList, rows);
        QFETCH(QString, deletes);
        QFETCH(QStringList, left);
        QFETCH(int, after);
        Popup core(order, true, rich);
        core.fill({"A", "B", "C"}, position);
        QCOMPARE(core.rows(), rows);
        for (const QChar row : deletes)
            core.popup.delete_row(row.digitValue());
        QCOMPARE(core.texts(), left);
        QCOMPARE(core.position(), after);
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
        Popup core(order, true, rich);
        core.fill({"A", "B", "C", "D"}, position);
        core.popup.move_row(from, to);
        QCOMPARE(core.texts(), result);
        QCOMPARE(core.position(), position);
        // Rows outside the history move nothing.
        core.popup.move_row(0, 9);
        QCOMPARE(core.texts(), result);
    }

    void lock_toggle_data() { both_histories(); }
    void lock_toggle() {
        QFETCH(bool, rich);
        Popup core(QStringLiteral("backward"), true, rich);
        core.fill({"A", "B", "C"}, 2);
        QVERIFY(core.toggle_lock(2));
        QCOMPARE(core.state.m_saved_position, 2);
        QCOMPARE(core.position(), 0);
        QCOMPARE(core.pastes(2), QStringLiteral("AA"));
        QVERIFY(!core.toggle_lock(2));
        QCOMPARE(core.position(), 2);

        core.settings.m_paste_order = QStringLiteral("forward");
        core.position() = 0;
        QVERIFY(core.toggle_lock(1));
        QCOMPARE(core.position(), 1);
        QCOMPARE(core.paste(), QStringLiteral("B"));
    }

    // A full history drops its oldest entry at every copy; the rows must still reach the
    // entries they show, and preview the picture of their own entry.
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
        Popup core(order, true, rich);
        core.copy(numbers(1, 100));
        core.position() = forward ? 0 : 99;
        if (forward)
            QCOMPARE(core.pastes(3), QStringLiteral("123"));
        CoreFixture::copy(QStringLiteral("101"));
        QCOMPARE(core.history.size(), 100);
        QVERIFY(!core.texts().contains(QStringLiteral("1")));
        // Forward: "4" is still next, not skipped. Backward: the copy just made is next.
        const QString next = forward ? QStringLiteral("4") : QStringLiteral("101");
        QCOMPARE(core.engine.remaining(), forward ? 98 : 100);
        QStringList shown = core.rows();
        QCOMPARE(shown.size(), core.engine.remaining());
        QCOMPARE(shown.first(), next);

        // Delete row 0: exactly the entry shown there goes, and the rest keep their rows.
        core.popup.delete_row(0);
        QVERIFY(!core.texts().contains(next));
        shown.removeFirst();
        QCOMPARE(core.rows(), shown);
        core.popup.delete_row(1);
        QVERIFY(!core.texts().contains(shown.at(1)));
        shown.removeAt(1);
        QCOMPARE(core.rows(), shown);
        // Drag row 0 below row 2.
        core.popup.move_row(0, 2);
        shown.move(0, 2);
        QCOMPARE(core.rows(), shown);

        // Lock on row 1: every paste gives that row; unlocking goes back.
        const int before = core.position();
        QVERIFY(core.toggle_lock(1));
        QCOMPARE(core.pastes(2), shown.at(1) + shown.at(1));
        QVERIFY(!core.toggle_lock(1));
        QCOMPARE(core.position(), before);
        QCOMPARE(core.paste(), shown.at(0));
        if (!rich)
            return;

        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        auto* picture = new QMimeData;
        picture->setImageData(image);
        CoreFixture::copy(picture);
        const int image_row = core.rows().indexOf(QStringLiteral("Image Data"));
        QVERIFY(image_row >= 0);
        core.popup.preview_row(image_row);
        QVERIFY(core.popup.viewer()->isVisible());
        core.popup.preview_row(image_row == 0 ? 1 : image_row - 1);
        QVERIFY(!core.popup.viewer()->isVisible());
    }

    // In the text history the mark rides beside each entry: it follows the entry through
    // deletes and moves, and the same text copied without the mark is not masked.
    void a_secret_mark_stays_with_its_text_entry() {
        Popup core(QStringLiteral("backward"));
        CoreFixture::copy(QStringLiteral("visible"));
        CoreFixture::copy(secret(QStringLiteral("hunter2")));
        core.copy({"hunter2", "other"});
        const QString debug = HistoryDebugText::text(
            3, core.state.m_corvana_clipboard_mime_data_history,
            core.state.m_corvana_clipboard_text_history, core.state.m_secret_marks);
        QVERIFY(debug.contains(QStringLiteral("0: visible")));
        QVERIFY(debug.contains(QStringLiteral("1: [secret]")));
        QVERIFY(debug.contains(QStringLiteral("2: hunter2")));
        QCOMPARE(debug.count(QStringLiteral("hunter2")), 1);

        const QString masked = HistoryEditor::masked_text();
        QCOMPARE(core.rows(), (QStringList{"other", "hunter2", masked, "visible"}));
        core.popup.move_row(2, 0);
        QCOMPARE(core.rows(), (QStringList{masked, "other", "hunter2", "visible"}));
        core.popup.delete_row(2);
        QCOMPARE(core.rows(), (QStringList{masked, "other", "visible"}));
        QCOMPARE(core.paste(), QStringLiteral("hunter2"));
    }

    void secret_copies_are_queued_masked_and_never_stored_data() { both_histories(); }
    void secret_copies_are_queued_masked_and_never_stored() {
        QFETCH(bool, rich);
        Popup core(QStringLiteral("backward"), true, rich);
        CoreFixture::copy(QStringLiteral("visible"));
        CoreFixture::copy(secret(QStringLiteral("hunter2")));
        QCOMPARE(core.texts(), (QStringList{"visible", "hunter2"}));
        QCOMPARE(core.rows(), (QStringList{HistoryEditor::masked_text(), "visible"}));
        QCOMPARE(core.paste(), QStringLiteral("hunter2"));
        QCOMPARE(core.inserted, QStringList{"text: visible"});
    }

    // App's wiring of the popup: its buttons and list reach the history, and the lock is one
    // state whether set from the popup, the tray or a shortcut.
    void the_popup_and_the_tray_share_the_history_and_the_lock() {
        AppHarness::remove_settings();
        const auto app = AppHarness::make_app();
        app->toggle_rich_text_copy();
        CoreFixture::copy(QStringList{"A", "B", "C"});
        HistoryDialog& dialog = *app->history_dialog();
        const auto tray_entry = [&](const char* text) {
            for (QAction* action : app->tray_icon()->menu()->actions())
                if (action->text() == QLatin1String(text))
                    return action;
            return static_cast<QAction*>(nullptr);
        };
        app->open_history_dialog();
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.label()->text(), QStringLiteral("Paste order is backward"));
        QCOMPARE(dialog.count(), 3);
        // A press and the pointer coming back without a drag in between move nothing.
        ListWidget* list = dialog.list();
        list->setCurrentRow(0);
        emit list->itemPressed(list->item(0));
        list->setCurrentRow(2);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(list, &enter);
        QCOMPARE(app->history().label(1), QStringLiteral("B"));
        emit list->signal_item_pos_changed(0, 1); // a finished drag
        QCOMPARE(app->history().label(1), QStringLiteral("C"));
        list->setCurrentRow(1);
        dialog.slot_button_delete_clicked();
        QCOMPARE(app->history().size(), 2);

        list->setCurrentRow(1);
        emit dialog.button_lock()->clicked(false);
        QCOMPARE(app->tray_icon()->current_icon_name(), QStringLiteral(":/images/key.svg"));
        QVERIFY(tray_entry("&Unlock Clipboard") && !tray_entry("&Lock CLipboard"));
        tray_entry("&Unlock Clipboard")->trigger();
        QVERIFY(!app->history().locked());
        QCOMPARE(app->tray_icon()->current_icon_name(), QStringLiteral(":/images/app.png"));
        // The popup shows a lock set from the tray.
        tray_entry("&Lock CLipboard")->trigger();
        app->open_history_dialog(); // open again: closes and empties
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.count(), 0);
        app->open_history_dialog();
        emit dialog.button_lock()->clicked(false);
        QVERIFY(!app->history().locked());
        QVERIFY(tray_entry("&Lock CLipboard"));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
