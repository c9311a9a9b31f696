#pragma once

#include <QStringList>
#include <functional>

class ClipboardHistory;
class QMimeData;

// What the history popup does to the history: its rows are the entries in paste order.
class HistoryEditor {
public:
    static QString masked_text() {
        return QStringLiteral("\u2022\u2022\u2022\u2022\u2022\u2022 (secret)");
    }

    // The rows' texts, in the order the entries will be pasted. In forward order an unset
    // position becomes 0, as the popup then shows the whole history.
    static QStringList row_texts(ClipboardHistory& history, const QString& order);
    static void delete_entry(ClipboardHistory& history, const QString& order, int row);
    static void move_entry(ClipboardHistory& history, const QString& order, int from_row,
                           int to_row, const std::function<QMimeData*(const QMimeData*)>& recopy);
    // Locks on the entry of current_row, or unlocks; returns whether it is locked now.
    static bool toggle_lock(ClipboardHistory& history, const QString& order, int current_row);
    // The mime data of a row in rich-text mode, or null.
    static const QMimeData* mime_entry_of_row(const ClipboardHistory& history, const QString& order,
                                              int row);
};
