#include "templates/TemplatePaste.h"

#include "clipboard/ClipboardHistory.h"
#include "clipboard/PasteState.h"
#include "clipboard/SecretContent.h"
#include "clipboard/SyntheticPaste.h"
#include "common/AppLog.h"
#include "common/AppSettings.h"
#include "common/Notifier.h"
#include "platform/ClipboardOwner.h"
#include "templates/TemplateFiller.h"

#include <QDebug>
#include <QMimeData>

TemplatePaste::TemplatePaste(ClipboardHistory& history, const AppSettings& settings,
                             PasteState& state, Notifier& notifier, ClipboardOwner& owner,
                             InputInjector& injector, const KeyState& keys)
    : QObject(nullptr), m_history(history), m_settings(settings), m_state(state),
      m_notifier(notifier), m_owner(owner), m_injector(injector), m_keys(keys) {
    m_clock.start();
    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, &TemplatePaste::drop_expired);
}

void TemplatePaste::press(const QString& template_text) {
    if (m_settings.m_is_paused) {
        qDebug() << "Special paste ignored: Corvana is paused";
        return;
    }
    // Without a template the press would use up the copied table and paste nothing.
    if (template_text.isEmpty()) {
        qDebug() << "Special paste ignored: no template is selected";
        return;
    }
    if (m_state.m_template_row_counter == 0 && !take_table())
        return;

    const QString& table = m_state.m_template_table_text;
    if (!m_rows.has_row(table, m_state.m_template_row_counter)) {
        qDebug() << "Special paste: every row of the table has been pasted";
        return;
    }
    const int row_number = m_state.m_template_row_counter;
    const std::optional<QString> filled =
        TemplateFiller::fill_template(m_rows.row(table, row_number), template_text);
    // The next press goes on with the next row, even after one that was refused.
    ++m_state.m_template_row_counter;
    if (!filled) {
        m_notifier.show_tray_message(
            QStringLiteral("Special paste"),
            QStringLiteral("Row %1 was not pasted: filled in, the template would be longer "
                           "than %2 million characters.")
                .arg(row_number + 1)
                .arg(TemplateFiller::max_result_chars >> 20));
        return;
    }
    const QString& result = *filled;

    const bool secret = m_state.m_template_table_secret;
    m_history.add_made_text(result, secret);
    m_pending.append({result, secret, m_clock.elapsed() + pending_timeout_ms});
    if (!m_expiry.isActive())
        m_expiry.start(pending_timeout_ms);
    // The row is on the clipboard before the keys go: where the system lets a synthesized key
    // through before it is reported (Windows), the program reads the clipboard at once. The
    // report serves it again.
    serve(m_pending.last());
    SyntheticPaste::ctrl_v_releasing_modifiers(m_injector, m_keys);
}

bool TemplatePaste::take_table() {
    // The table is the entry the next Ctrl+V would paste: right after a copy that is the first
    // entry in forward order and the last in backward order, and it stays the copied table when
    // rows filled earlier are still in the history before it.
    const auto step = m_history.peek();
    if (!step)
        return false;
    const bool secret = m_history.is_secret(step->index);
    const std::optional<QString> table = m_history.take_text(step->index);
    // An image or a file list is no table; it stays in the queue.
    if (!table) {
        qDebug() << "Special paste ignored: the copied entry holds no text";
        return false;
    }
    m_state.m_template_table_text = *table;
    m_state.m_template_table_secret = secret;
    return true;
}

bool TemplatePaste::serve_pending() {
    if (m_pending.isEmpty())
        return false;
    const Pending row = m_pending.takeFirst();
    if (!m_settings.m_is_paused)
        m_history.advance();
    qDebug().noquote() << "Template row to paste: " +
                              SecretContent::log_preview(row.text, row.secret);
    serve(row);
    return true;
}

void TemplatePaste::serve(const Pending& row) {
    auto* entry = new QMimeData;
    entry->setText(row.text);
    if (row.secret)
        SecretContent::mark(entry);
    const ClipboardOwner::Result served = m_owner.serve(entry);
    if (!served.ok)
        APP_LOG(QStringLiteral("The filled row could not be put on the clipboard: ") +
                served.error);
}

void TemplatePaste::drop_expired() {
    const qint64 now = m_clock.elapsed();
    while (!m_pending.isEmpty() && m_pending.first().deadline <= now) {
        m_pending.removeFirst();
        APP_LOG(QStringLiteral("A special paste's Ctrl+V never arrived; its row stays in the "
                               "history but is no longer pasted in place of the queue"));
    }
    if (!m_pending.isEmpty())
        m_expiry.start(int(m_pending.first().deadline - now));
}
