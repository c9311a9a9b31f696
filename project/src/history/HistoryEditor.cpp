#include "history/HistoryEditor.h"

#include "app/App.h"
#include "clipboard/SecretContent.h"
#include "history/HistoryRows.h"

#include <QMimeData>

QStringList HistoryEditor::row_texts(App& app) {
    int& position = app.m_current_clipboard_history_position;
    if (HistoryRows::is_forward(app.m_paste_order) && position == -1)
        position = 0;
    QStringList texts;
    for (const int index : HistoryRows::indices(app.m_paste_order, position, app.history_size())) {
        if (app.m_rich_text_copy_enabled) {
            const QMimeData* entry = app.m_corvana_clipboard_mime_data_history.at(index);
            if (SecretContent::is_secret(entry))
                texts.append(masked_text());
            else
                texts.append(entry->hasImage() ? QStringLiteral("Image Data") : entry->text());
        } else {
            const QString& entry = app.m_corvana_clipboard_text_history.at(index);
            texts.append(app.m_secret_marks.is_secret(index) ? masked_text() : entry);
        }
    }
    return texts;
}

void HistoryEditor::delete_entry(App& app, int row) {
    const auto removal = HistoryRows::remove(
        app.m_paste_order, app.m_current_clipboard_history_position, row, app.history_size());
    if (removal.index < 0)
        return;
    if (app.m_rich_text_copy_enabled)
        delete app.m_corvana_clipboard_mime_data_history.takeAt(removal.index);
    else
        app.m_corvana_clipboard_text_history.removeAt(removal.index);
    app.m_secret_marks.remove(removal.index);
    app.m_current_clipboard_history_position = removal.position;
    app.update_status_indicator();
}

void HistoryEditor::move_entry(App& app, int from_row, int to_row) {
    const auto move = HistoryRows::move(app.m_paste_order, app.m_current_clipboard_history_position,
                                        from_row, to_row, app.history_size());
    if (move.take < 0 || move.take == move.insert)
        return;
    if (app.m_rich_text_copy_enabled) {
        QList<QMimeData*>& history = app.m_corvana_clipboard_mime_data_history;
        QMimeData* moved = history.takeAt(move.take);
        history.insert(move.insert, app.get_mime_data_object_copy(moved));
        delete moved;
    } else {
        QStringList& history = app.m_corvana_clipboard_text_history;
        history.insert(move.insert, history.takeAt(move.take));
        app.m_secret_marks.move(move.take, move.insert);
    }
}

bool HistoryEditor::toggle_lock(App& app, int current_row) {
    app.m_position_locked = !app.m_position_locked;
    if (app.m_position_locked) {
        app.m_saved_position = app.m_current_clipboard_history_position;
        // Without a current row the lock stays on the entry at the position.
        if (current_row >= 0)
            app.m_current_clipboard_history_position = HistoryRows::index_of_row(
                app.m_paste_order, app.m_saved_position, current_row, app.history_size());
    } else {
        app.m_current_clipboard_history_position = app.m_saved_position;
    }
    return app.m_position_locked;
}

const QMimeData* HistoryEditor::mime_entry_of_row(const App& app, int row) {
    if (!app.m_rich_text_copy_enabled)
        return nullptr;
    const int index = HistoryRows::index_of_row(
        app.m_paste_order, app.m_current_clipboard_history_position, row, app.history_size());
    const auto& history = app.m_corvana_clipboard_mime_data_history;
    return index >= 0 && index < history.size() ? history.at(index) : nullptr;
}
