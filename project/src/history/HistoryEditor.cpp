#include "history/HistoryEditor.h"

#include "clipboard/ClipboardHistory.h"
#include "history/HistoryRows.h"

QStringList HistoryEditor::row_texts(ClipboardHistory& history, const QString& order) {
    if (HistoryRows::is_forward(order) && history.position() == -1)
        history.set_position(0);
    QStringList texts;
    for (const int index : HistoryRows::indices(order, history.position(), history.size()))
        texts.append(history.is_secret(index) ? masked_text() : history.label(index));
    return texts;
}

void HistoryEditor::delete_entry(ClipboardHistory& history, const QString& order, int row) {
    const auto removal = HistoryRows::remove(order, history.position(), row, history.size());
    if (removal.index < 0)
        return;
    history.remove_at(removal.index);
    history.set_position(removal.position);
}

void HistoryEditor::move_entry(ClipboardHistory& history, const QString& order, int from_row,
                               int to_row,
                               const std::function<QMimeData*(const QMimeData*)>& recopy) {
    const auto move =
        HistoryRows::move(order, history.position(), from_row, to_row, history.size());
    if (move.take < 0 || move.take == move.insert)
        return;
    history.move(move.take, move.insert, recopy);
}

bool HistoryEditor::toggle_lock(ClipboardHistory& history, const QString& order, int current_row) {
    if (history.locked()) {
        history.unlock();
        return false;
    }
    history.lock();
    // Without a current row the lock stays on the entry at the position.
    if (current_row >= 0)
        history.set_position(
            HistoryRows::index_of_row(order, history.position(), current_row, history.size()));
    return true;
}

const QMimeData* HistoryEditor::mime_entry_of_row(const ClipboardHistory& history,
                                                  const QString& order, int row) {
    return history.mime_at(
        HistoryRows::index_of_row(order, history.position(), row, history.size()));
}
