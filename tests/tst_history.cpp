#include "AppHarness.h"
#include "CoreFixture.h"
#include "TestPictures.h"
#include "TestWidgets.h"
#include "clipboard/HistoryDebugText.h"
#include "history/HistoryDialog.h"
#include "history/HistoryEditor.h"
#include "history/ImageViewer.h"
#include "history/ListWidget.h"
#include "tray/TrayIcon.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

namespace {
// The history popup's logic on the core, without App and without showing the popup.
struct Popup : CoreFixture {
    using CoreFixture::CoreFixture;
    QWidget page;
    FakeActiveWindow active_window;
    HistoryPopup popup{new HistoryDialog(nullptr, history, settings, active_window), history,
                       settings, copier, &page};

    QStringList rows() { return HistoryEditor::row_texts(history, settings.m_paste_order); }
};
} // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { AppHarness::init_process(); }

    // Each case: order, position, history ("." for none), the rows listed, what is done one after
    // another (dR deletes row R, mRS drags row R to S, lR toggles the lock on row R and answers L
    // locked or U unlocked, p pastes), what that answered, the history left and the position.
    void rows_deletes_drags_and_the_lock() {
        const QStringList cases = {
            "forward 1 ABC BC d0 . AC 1", "backward 2 ABC CBA d1 . AC 1",
            "backward 2 ABC CBA d0d0d0 . . -1",
            // An unset position shows the whole history in forward order, and none backward.
            "forward -1 ABC ABC . . ABC 0", "forward 3 ABC . d0 . ABC 3",
            "backward -1 ABC . d0 . ABC -1",
            // Past the end in backward order: from the newest instead of outside the history,
            // and its rows reach the entries they show.
            "backward 5 ABC CBA d0 . AB 1",
            // Rows outside the history move nothing.
            "forward 1 ABCD BCD m02m09 . ACDB 1", "forward 1 ABCD BCD m20 . ADBC 1",
            "backward 3 ABCD DCBA m02m09 . ADBC 3", "backward 3 ABCD DCBA m20 . ACDB 3",
            // Locked, every paste gives the row's entry; unlocked, the position is back.
            "backward 2 ABC CBA l2ppl2 LAAU ABC 2", "forward 0 ABC ABC l1p LB ABC 1"};
        const auto list = [](QString t) { return t.remove('.').split("", Qt::SkipEmptyParts); };
        for (const bool rich : {false, true}) {
            for (const QString& line : cases) {
                const QStringList c = line.split(' ');
                Popup core(c[0], true, rich);
                core.fill(list(c[2]), c[1].toInt());
                QVERIFY2(core.rows() == list(c[3]), qPrintable(line));
                QString answered;
                for (const QString& op : c[4].split(QRegularExpression("(?=[dmlp])"))) {
                    const int row = op.mid(1, 1).toInt();
                    if (op.startsWith('d'))
                        core.popup.delete_row(row);
                    else if (op.startsWith('m'))
                        core.popup.move_row(row, op.mid(2).toInt());
                    else if (op.startsWith('l'))
                        answered += HistoryEditor::toggle_lock(core.history, c[0], row) ? "L" : "U";
                    else if (op == "p")
                        answered += core.paste();
                }
                QVERIFY2(answered == list(c[5]).join(""), qPrintable(line));
                QVERIFY2(core.texts() == list(c[6]), qPrintable(line));
                QVERIFY2(core.position() == c[7].toInt(), qPrintable(line));
            }
        }
    }

    // A full history drops its oldest entry at every copy; the rows must still reach the
    // entries they show, and preview the picture of their own entry.
    void a_full_history_maps_rows_to_their_entries_data() {
        CoreFixture::history_rows({"forward", "backward"});
    }
    void a_full_history_maps_rows_to_their_entries() {
        QFETCH(bool, rich);
        QFETCH(QString, order);
        const bool forward = order == QLatin1String("forward");
        Popup core(order, true, rich);
        core.copy(CoreFixture::numbers(1, 100));
        core.position() = forward ? 0 : 99;
        if (forward)
            QCOMPARE(core.pastes(3), QStringLiteral("123"));
        CoreFixture::copy(QStringLiteral("101"));
        // Every row, not only the first: the rows reach the entries they show. Forward: "4" is
        // still next, not skipped. Backward: the copy just made is next; "1" is gone.
        QCOMPARE(core.rows(),
                 forward ? CoreFixture::numbers(4, 101) : CoreFixture::numbers(101, 2));
        if (!rich)
            return;

        auto* picture = new QMimeData;
        picture->setImageData(TestPictures::solid(8, 8, Qt::red));
        CoreFixture::copy(picture);
        const int image_row = core.rows().indexOf(QStringLiteral("Image Data"));
        QVERIFY(image_row >= 0);
        core.popup.preview_row(image_row);
        QVERIFY(core.popup.viewer()->isVisible());
        core.popup.preview_row(image_row == 0 ? 1 : image_row - 1);
        QVERIFY(!core.popup.viewer()->isVisible());
    }

    // A copy marked secret is queued and pasted but shown masked and never stored. In the text
    // history the mark rides beside each entry: it follows the entry through deletes and moves,
    // and the same text copied without the mark is not masked.
    void secret_copies_are_queued_masked_and_never_stored_data() { CoreFixture::history_rows(); }
    void secret_copies_are_queued_masked_and_never_stored() {
        QFETCH(bool, rich);
        Popup core(QStringLiteral("backward"), true, rich);
        CoreFixture::copy(QStringLiteral("visible"));
        auto* secret = new QMimeData;
        secret->setText(QStringLiteral("hunter2"));
        secret->setData(QStringLiteral("x-kde-passwordManagerHint"), "secret");
        CoreFixture::copy(secret);
        QCOMPARE(core.texts(), (QStringList{"visible", "hunter2"}));
        const QString masked = HistoryEditor::masked_text();
        QCOMPARE(core.rows(), (QStringList{masked, "visible"}));
        QCOMPARE(core.inserted, QStringList{"text: visible"});

        core.copy({"hunter2", "other"});
        if (!rich) {
            const QString debug = HistoryDebugText::text(
                3, core.state.m_corvana_clipboard_mime_data_history,
                core.state.m_corvana_clipboard_text_history, core.state.m_secret_marks);
            QCOMPARE(debug, "Current clipboard history position:3\n0: visible\n1: [secret]\n"
                            "2: hunter2\n3: other\n");
        }
        QCOMPARE(core.rows(), (QStringList{"other", "hunter2", masked, "visible"}));
        core.popup.move_row(2, 0);
        QCOMPARE(core.rows(), (QStringList{masked, "other", "hunter2", "visible"}));
        core.popup.delete_row(2);
        QCOMPARE(core.rows(), (QStringList{masked, "other", "visible"}));
        QCOMPARE(core.paste(), QStringLiteral("hunter2"));
    }

    // App's wiring of the popup: its buttons and list reach the history, and the lock is one
    // state whether set from the popup, the tray or a shortcut.
    void the_popup_and_the_tray_share_the_history_and_the_lock() {
        AppHarness::remove_settings();
        const auto app = AppHarness::make_app();
        CoreFixture::copy(QStringList{"A", "B", "C"});
        const ClipboardHistory& history = app->history();
        HistoryDialog& dialog = *app->history_dialog();
        TrayIcon* tray = app->tray_icon();
        const auto item = [tray](const char* t) { return TestWidgets::action(tray->menu(), t); };
        // The status indicator opens and closes the popup.
        StatusIndicator* indicator = app->status_indicator();
        emit indicator->clicked();
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
        QCOMPARE(history.label(1), QStringLiteral("B"));
        emit list->signal_item_pos_changed(0, 1); // a finished drag
        QCOMPARE(history.label(1), QStringLiteral("C"));
        list->setCurrentRow(1);
        dialog.slot_button_delete_clicked();
        QCOMPARE(history.size(), 2);

        list->setCurrentRow(1);
        emit dialog.button_lock()->clicked(false);
        QVERIFY(item("&Unlock Clipboard") && !item("&Lock CLipboard"));
        item("&Unlock Clipboard")->trigger();
        QVERIFY(!history.locked() && item("&Lock CLipboard"));
        // The popup shows a lock set from the tray.
        item("&Lock CLipboard")->trigger();
        emit indicator->clicked(); // open again: closes and empties
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.count(), 0);
        emit indicator->clicked();
        emit dialog.button_lock()->clicked(false);
        QVERIFY(!history.locked() && item("&Lock CLipboard"));
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
