#include "templates/TemplatePaste.h"

#include "app/App.h"
#include "app/AppLog.h"
#include "clipboard/PasteQueue.h"
#include "platform/ClipboardOwner.h"
#include "platform/Platform.h"
#include "templates/TemplateFiller.h"

#include <QDebug>
#include <QMimeData>

#include <climits>

TemplatePaste::TemplatePaste(App* app) : QObject(nullptr), m_app(app) {
    m_clock.start();
    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, &TemplatePaste::drop_expired);
}

void TemplatePaste::press(const QString& template_text) {
    App& a = *m_app;
    if (a.m_is_paused) {
        qDebug() << "Special paste ignored: Corvana is paused";
        return;
    }
    // Without a template the press would use up the copied table and paste nothing.
    if (template_text.isEmpty()) {
        qDebug() << "Special paste ignored: no template is selected";
        return;
    }
    if (a.m_template_row_counter == 0 && !take_table())
        return;

    const QString& table = a.m_template_table_text;
    if (!has_row(table, a.m_template_row_counter)) {
        qDebug() << "Special paste: every row of the table has been pasted";
        return;
    }
    const int row_number = a.m_template_row_counter;
    const std::optional<QString> filled =
        TemplateFiller::fill_template(row(table, row_number), template_text);
    // The next press goes on with the next row, even after one that was refused.
    ++a.m_template_row_counter;
    if (!filled) {
        a.show_tray_message(
            QStringLiteral("Special paste"),
            QStringLiteral("Row %1 was not pasted: filled in, the template would be longer "
                           "than %2 million characters.")
                .arg(row_number + 1)
                .arg(TemplateFiller::max_result_chars >> 20));
        return;
    }
    const QString& result = *filled;

    if (a.m_rich_text_copy_enabled) {
        auto* data = new QMimeData;
        data->setText(result);
        a.add_to_corvana_mime_data_history(data);
    } else {
        a.add_to_corvana_text_history(result);
    }
    m_pending.append({result, m_clock.elapsed() + pending_timeout_ms});
    if (!m_expiry.isActive())
        m_expiry.start(pending_timeout_ms);
    a.SimulateCtrlVReleasingAlt();
    a.update_status_indicator();
}

bool TemplatePaste::take_table() {
    // The table is the entry the next Ctrl+V would paste: right after a copy that is the first
    // entry in forward order and the last in backward order, and it stays the copied table when
    // rows filled earlier are still in the history before it.
    App& a = *m_app;
    const auto step = PasteQueue::paste_step(
        a.m_paste_order, a.m_rich_text_copy_enabled, a.m_automatic_position_movement,
        a.m_position_locked, a.m_current_clipboard_history_position, a.history_size());
    if (!step)
        return false;
    if (a.m_rich_text_copy_enabled) {
        QList<QMimeData*>& history = a.m_corvana_clipboard_mime_data_history;
        // An image or a file list is no table; it stays in the queue.
        if (!history.at(step->index)->hasText()) {
            qDebug() << "Special paste ignored: the copied entry holds no text";
            return false;
        }
        QMimeData* entry = history.takeAt(step->index);
        a.m_template_table_text = entry->text();
        delete entry;
    } else {
        a.m_template_table_text = a.m_corvana_clipboard_text_history.takeAt(step->index);
        a.m_secret_marks.remove(step->index);
    }
    return true;
}

bool TemplatePaste::has_row(const QString& table, int index) {
    // QString shares its data: the same table costs one comparison of pointers.
    if (!m_indexed_table.isSharedWith(table) || m_indexed_table.size() != table.size()) {
        m_indexed_table = table;
        m_line_ends.clear();
        m_scan_from = 0;
    }
    // Rows are found as far as asked for: a press costs its own row, not the whole table.
    while (m_line_ends.size() <= index && m_scan_from <= table.size()) {
        const int end = table.indexOf(QLatin1Char('\n'), m_scan_from);
        m_line_ends.append(end < 0 ? table.size() : end);
        m_scan_from = end < 0 ? table.size() + 1 : end + 1;
    }
    return index >= 0 && index < m_line_ends.size();
}

int TemplatePaste::row_count(const QString& table) {
    has_row(table, INT_MAX - 1);
    return m_line_ends.size();
}

QString TemplatePaste::row(const QString& table, int index) {
    if (!has_row(table, index))
        return QString();
    const int start = index == 0 ? 0 : m_line_ends.at(index - 1) + 1;
    return table.mid(start, m_line_ends.at(index) - start);
}

bool TemplatePaste::serve_pending() {
    if (m_pending.isEmpty())
        return false;
    const QString text = m_pending.takeFirst().text;
    App& a = *m_app;
    if (!a.m_is_paused) {
        int& p = a.m_current_clipboard_history_position;
        if (p < 0)
            p = 0;
        const auto step = PasteQueue::paste_step(a.m_paste_order, a.m_rich_text_copy_enabled,
                                                 a.m_automatic_position_movement,
                                                 a.m_position_locked, p, a.history_size());
        if (step)
            p = step->position;
    }
    qDebug().noquote() << "Template row to paste: " + text.left(200);
    auto* entry = new QMimeData;
    entry->setText(text);
    const ClipboardOwner::Result served = Platform::instance().clipboard_owner().serve(entry);
    if (!served.ok)
        APP_LOG(QStringLiteral("The filled row could not be put on the clipboard: ") +
                served.error);
    return true;
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
