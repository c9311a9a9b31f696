#include "AppHarness.h"
#include "FakeKeyboard.h"
#include "PosixFiles.h"
#include "TestWidgets.h"
#include "autocomplete/AutocompleteDialog.h"
#include "autocomplete/AutocompleteListView.h"
#include "autocomplete/AutocompleteModel.h"
#include "autocomplete/AutocompletePaste.h"
#include "history/ImageViewer.h"
#include "platform/VirtualKeys.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace VirtualKeys;

// The autocomplete popup inside App: what the captures put in it, searching, choosing an entry
// (which pastes through the paste engine) and clearing.
class TestAutocomplete : public QObject {
    Q_OBJECT
    // The one place App is built; the tests reach the popup's parts and the history below.
    std::unique_ptr<App> app;
    AutocompleteDialog* popup = nullptr;
    AutocompletePaste* paste = nullptr;
    // The shortcut: opens the popup, or closes it when open.
    void open_or_close() { FakePlatform::get().hotkeys().trigger(QKeySequence("Ctrl+Alt+Space")); }

    FakeKeyboard& keyboard() { return *FakePlatform::get().keyboard(); }
    void copy(const QStringList& texts) {
        for (const QString& text : texts) {
            keyboard().tap({Control, C});
            AppHarness::copy_text(text);
        }
    }
    QStringList rows() {
        QStringList texts;
        for (int row = 0; row < popup->model()->rowCount(); ++row)
            texts.append(popup->entry_of_row(row).m_text);
        return texts;
    }
    QStringList history() const {
        if (!app->m_rich_text_copy_enabled)
            return app->m_corvana_clipboard_text_history;
        QStringList texts;
        for (const QMimeData* entry : app->m_corvana_clipboard_mime_data_history)
            texts.append(entry->text());
        return texts;
    }
    void choose(const QString& text) {
        const int row = rows().indexOf(text);
        QVERIFY(row >= 0);
        popup->list_item_activated(popup->model()->index(row));
    }
    static QByteArray stored() { return TestWidgets::read_file("autocomplete.json"); }
    // Answers the next modal message box with button.
    static void answer_next_box(QMessageBox::StandardButton button) {
        QTimer::singleShot(0, [button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            QCOMPARE(box->text(),
                     QStringLiteral("Are you sure you want to clear the history file?"));
            box->button(button)->click();
        });
    }

private slots:
    void initTestCase() { AppHarness::init_process(); }
    void init() {
        AppHarness::remove_settings();
        QFile::remove(QStringLiteral("autocomplete.json"));
        QDir(QStringLiteral("images")).removeRecursively();
        FakePlatform::get().injector().set_delivery(FakeInputInjector::Delivery::Synchronous);
        app = AppHarness::make_app();
        popup = app->autocomplete_dialog();
        paste = app->autocomplete_paste();
    }
    void cleanup() { app.reset(); }

    void copies_reach_the_store_search_and_delete() {
        copy({"abc", "AB", "cab", "xyz", "abc"});
        QVERIFY(stored().contains("\"cab\""));
        popup->line_edit()->setText(QStringLiteral("ab"));
        QCOMPARE(rows(), (QStringList{"abc", "cab", "abc"}));
        QCOMPARE(popup->list_widget()->currentIndex().row(), 0);
        // A copy while a search stands joins the rows only when it matches.
        copy({"nope", "slab"});
        QCOMPARE(rows(), (QStringList{"abc", "cab", "abc", "slab"}));
        // Deleting the selected row removes every equal entry, from the file too.
        popup->list_widget()->setCurrentIndex(popup->model()->index(0));
        popup->slot_delete_selected_element();
        QCOMPARE(rows(), (QStringList{"cab", "slab"}));
        popup->line_edit()->clear();
        QCOMPARE(rows(), (QStringList{"AB", "cab", "xyz", "nope", "slab"}));
        QVERIFY(!stored().contains("abc"));
        QCOMPARE(popup->label()->text(), QStringLiteral("There are 5 items in history"));
    }

    void choosing_pastes_and_leaves_the_history_as_it_was_data() {
        QTest::addColumn<bool>("rich");
        QTest::addColumn<bool>("later");
        for (const bool rich : {false, true})
            for (const bool later : {false, true})
                QTest::addRow("%s, keys %s", rich ? "mime" : "text", later ? "later" : "at once")
                    << rich << later;
    }
    void choosing_pastes_and_leaves_the_history_as_it_was() {
        QFETCH(bool, rich);
        QFETCH(bool, later);
        app->m_rich_text_copy_enabled = rich;
        copy({"earlier text", "A", "B"});
        app->delete_history_entry(2); // the history is A, B with the position on B
        FakePlatform::get().injector().set_delivery(
            later ? FakeInputInjector::Delivery::Later : FakeInputInjector::Delivery::Synchronous);
        FakePlatform::get().injector().clear();
        FakePlatform::get().fake_active_window().set_current(77);
        open_or_close();
        QVERIFY(popup->isVisible());
        popup->line_edit()->setText(QStringLiteral("earl"));
        // Escape hides the popup, and the search survives until it opens again.
        QTest::keyClick(popup, Qt::Key_Escape);
        QVERIFY(popup->isHidden());
        open_or_close();
        QVERIFY(popup->isVisible());
        QCOMPARE(rows(), QStringList{"earlier text"});
        emit popup->line_edit()->returnPressed();
        QVERIFY(popup->isHidden());
        QCOMPARE(popup->line_edit()->text(), QString());
        QVERIFY(FakePlatform::get().fake_active_window().activated().contains(77));
        // The entry waits in front until the paste engine has taken it.
        QTRY_VERIFY(!paste->pending());
        QCOMPARE(FakePlatform::get().injector().pasted(), QStringList{"earlier text"});
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("earlier text"));
        QCOMPARE(history(), (QStringList{"A", "B"}));
        QCOMPARE(app->m_current_clipboard_history_position, 1);
        // And the next Ctrl+V goes on with the queue.
        keyboard().tap({Control, V});
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("B"));
        // The shortcut closes the popup it opened.
        open_or_close();
        QVERIFY(popup->isVisible());
        open_or_close();
        QVERIFY(popup->isHidden());
    }

    // Only an image entry is a picture, and only a file directly in the images folder, pasted as
    // a picture in rich-text mode: a text naming a picture pastes the text, a name leading out of
    // the folder or to a FIFO pastes the name (loading a FIFO would hang).
    void image_entries_paste_a_picture_only_from_the_images_folder_data() {
        QTest::addColumn<bool>("rich");
        QTest::newRow("text mode") << false;
        QTest::newRow("rich-text mode") << true;
    }
    void image_entries_paste_a_picture_only_from_the_images_folder() {
        QFETCH(bool, rich);
        app->m_rich_text_copy_enabled = rich;
        QDir().mkpath(QStringLiteral("images"));
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save("images/image7.png") && image.save("outside.png"));
        open_or_close(); // opening notices the new file
        QCOMPARE(rows(), QStringList{"image7.png"});
        QVERIFY(popup->entry_of_row(0).is_image());
        choose(QStringLiteral("image7.png"));
        QTRY_VERIFY(!paste->pending());
        const QMimeData* pasted = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(pasted->hasImage(), rich);
        if (rich)
            QCOMPARE(qvariant_cast<QImage>(pasted->imageData()).size(), QSize(4, 3));
        else
            QCOMPARE(pasted->text(), QStringLiteral("image7.png"));
        // Hovering it previews it; a text hides the preview again.
        popup->show();
        emit popup->autocomplete_list_item_entered("image", "image7.png");
        QVERIFY(app->autocomplete_image_viewer()->isVisible());
        emit popup->autocomplete_list_item_entered("text", "x");
        QVERIFY(!app->autocomplete_image_viewer()->isVisible());
        if (!has_posix_files)
            QSKIP("it needs a FIFO, which Windows has not");
        QCOMPARE(QProcess::execute("mkfifo", {QStringLiteral("images/pipe.png")}), 0);
        const QString images = QDir::currentPath() + QStringLiteral("/images");
        const QList<QPair<QString, QString>> entries = {{"text", "image7.png"},
                                                        {"image", "../outside.png"},
                                                        {"image", images + "/../outside.png"},
                                                        {"image", "pipe.png"}};
        for (const auto& entry : entries) {
            paste->paste(entry.first, entry.second, images);
            QTRY_VERIFY(!paste->pending());
            QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasImage());
            QCOMPARE(QGuiApplication::clipboard()->text(), entry.second);
        }
        // The preview reads the same way: nothing for the FIFO.
        emit popup->autocomplete_list_item_entered("image", "pipe.png");
        QVERIFY(app->autocomplete_image_viewer()->isHidden());
    }

    void an_undone_paste_and_clearing() {
        copy({"one", "two"});
        // A paste that never arrives is undone.
        const QStringList before = history();
        const int position = app->m_current_clipboard_history_position;
        keyboard().set_hooked(false); // the synthesized keys are never reported
        choose(QStringLiteral("one"));
        QVERIFY(paste->pending());
        QCOMPARE(history().size(), before.size() + 1);
        QTRY_VERIFY_WITH_TIMEOUT(!paste->pending(), AutocompletePaste::timeout_ms * 3);
        QCOMPARE(history(), before);
        QCOMPARE(app->m_current_clipboard_history_position, position);

        // Clearing asks first.
        QVERIFY(TestWidgets::write_file("images/image1.png", "png"));
        answer_next_box(QMessageBox::No);
        emit app->autocomplete_menu()->button_clear()->clicked(false);
        QCOMPARE(popup->vector_all_size(), 2);
        QVERIFY(QFile::exists(QStringLiteral("images/image1.png")));

        answer_next_box(QMessageBox::Yes);
        emit app->autocomplete_menu()->button_clear()->clicked(false);
        QCOMPARE(popup->vector_all_size(), 0);
        QCOMPARE(rows(), QStringList());
        QCOMPARE(stored(), QByteArray("[\n]\n"));
        QVERIFY(!QFile::exists(QStringLiteral("images/image1.png")));
        QCOMPARE(history().size(), 2); // the paste queue is not the autocomplete store
    }
};

QTEST_MAIN(TestAutocomplete)
#include "tst_autocomplete.moc"
