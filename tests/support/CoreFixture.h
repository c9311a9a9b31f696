#pragma once

#include "FakeNotifier.h"
#include "FakePlatform.h"
#include "clipboard/AutocompleteDatabase.h"
#include "clipboard/CaptureController.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/HistoryState.h"
#include "clipboard/MimeDataCopier.h"
#include "clipboard/PasteEngine.h"
#include "common/AppSettings.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QtTest>

// The clipboard core without App: the history, the paste engine and the capture on plain state,
// with a fake clipboard owner (Qt's in-process clipboard) and reader of their own. Tests build
// these objects only here, so a constructor that changes is adapted in one place. The fixture is
// also the autocomplete store, and records what it was given.
class CoreFixture : public AutocompleteDatabase {
public:
    AppSettings settings;
    HistoryState state;
    QTemporaryDir temp;
    MimeDataCopier copier{temp.path()};
    FakeClipboardOwner owner;
    FakeClipboardReader reader;
    FakeNotifier notifier;
    QStringList& notices = notifier.shown;
    ClipboardHistory history{state, settings};
    PasteEngine engine{history, settings, owner, copier};
    CaptureController capture{history, settings, reader, owner, copier, notifier};
    QStringList inserted; // "type: text" of every autocomplete insert

    explicit CoreFixture(const QString& order = QStringLiteral("forward"), bool automatic = true,
                         bool rich = false) {
        settings.m_paste_order = order;
        settings.m_automatic_position_movement = automatic;
        settings.m_rich_text_copy_enabled = rich;
        MimeDataCopier::prepare_temp_folder(temp);
        capture.set_database(this);
        QObject::connect(&owner, &ClipboardOwner::copied, &owner, [this] { capture.capture(); });
        QObject::connect(&owner, &ClipboardOwner::owner_gone, &owner,
                         [this] { capture.owner_gone(); });
    }
    ~CoreFixture() override {
        copier.stop_copies();
        history.clear();
    }

    // Data rows: a bool "rich" for each history (text, mime data), times a string "order".
    static void history_rows(const QStringList& orders = {QString()}) {
        QTest::addColumn<bool>("rich");
        QTest::addColumn<QString>("order");
        for (const bool rich : {false, true})
            for (const QString& order : orders)
                QTest::addRow("%s %s", rich ? "mime" : "text", qPrintable(order)) << rich << order;
    }
    int& position() { return state.m_current_clipboard_history_position; }
    // Another program copies.
    static void copy(const QString& text) { QGuiApplication::clipboard()->setText(text); }
    static void copy(QMimeData* data) { QGuiApplication::clipboard()->setMimeData(data); }
    static void copy(const QStringList& texts) {
        for (const QString& text : texts)
            copy(text);
    }
    static QStringList numbers(int from, int to) { // counting down when to is below from
        QStringList list;
        for (int i = from, step = to < from ? -1 : 1; i != to + step; i += step)
            list.append(QString::number(i));
        return list;
    }
    static QString clipboard_text() { return QGuiApplication::clipboard()->text(); }
    // Ctrl+V: what the focused program would paste.
    QString paste() {
        engine.paste();
        return clipboard_text();
    }
    QString pastes(int count) {
        QString got;
        for (int i = 0; i < count; ++i)
            got += paste();
        return got;
    }
    // The texts of the history in use, by index.
    QStringList texts() const {
        QStringList list = state.m_corvana_clipboard_text_history;
        for (const QMimeData* entry : state.m_corvana_clipboard_mime_data_history)
            list.append(entry->text());
        return list;
    }
    // Puts texts straight into the history in use, by index, and sets the position.
    void fill(const QStringList& texts, int at) {
        history.clear();
        for (const QString& text : texts) {
            if (settings.m_rich_text_copy_enabled) {
                auto* entry = new QMimeData;
                entry->setText(text);
                state.m_corvana_clipboard_mime_data_history.append(entry);
            } else {
                state.m_corvana_clipboard_text_history.append(text); // unmarked: not secret
            }
        }
        position() = at;
    }

    void database_insert(const QString& type, const QString& text) override {
        inserted.append(type + QStringLiteral(": ") + text);
    }
};
