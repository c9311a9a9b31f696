#pragma once

#include "clipboard/PendingPaste.h"
#include "templates/TableRows.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class ClipboardHistory;
class ClipboardOwner;
class InputInjector;
class KeyState;
class Notifier;
struct AppSettings;
struct PasteState;

// The special paste: each press fills the active template with the next row of the copied table
// and pastes it.
//
// The filled row joins the history, and the synthesized Ctrl+V that follows comes back through
// the keyboard hook, on some desktops only later from the event loop. Until it does, the row
// waits here, and the paste engine serves it in place of the entry at the position.
class TemplatePaste : public QObject, public PendingPaste {
    Q_OBJECT
public:
    static constexpr int pending_timeout_ms = 2000;

    TemplatePaste(ClipboardHistory& history, const AppSettings& settings, PasteState& state,
                  Notifier& notifier, ClipboardOwner& owner, InputInjector& injector,
                  const KeyState& keys);

    // One press with template_text as the active template.
    void press(const QString& template_text);

    // Called by the paste engine at each Ctrl+V: true when a filled row was waiting and is now on
    // the clipboard, the position having moved as for any paste.
    bool serve_pending() override;
    int pending_count() const { return m_pending.size(); }

    // Rows of the table, found and cut without splitting it whole at every press.
    int row_count(const QString& table) { return m_rows.row_count(table); }
    QString row(const QString& table, int index) { return m_rows.row(table, index); }

private:
    bool take_table();
    void drop_expired();

    struct Pending {
        QString text;
        bool secret;
        qint64 deadline;
    };
    void serve(const Pending& row);

    ClipboardHistory& m_history;
    const AppSettings& m_settings;
    PasteState& m_state;
    Notifier& m_notifier;
    ClipboardOwner& m_owner;
    InputInjector& m_injector;
    const KeyState& m_keys;
    QList<Pending> m_pending;
    QElapsedTimer m_clock;
    QTimer m_expiry;
    TableRows m_rows;
};
