#pragma once

#include <QStringList>

class App;
class QMimeData;

// What the history popup does to App's history and paste position.
class HistoryEditor {
public:
    static QString masked_text() {
        return QStringLiteral("\u2022\u2022\u2022\u2022\u2022\u2022 (secret)");
    }

    // The rows' texts, in the order the entries will be pasted. In forward order an unset
    // position becomes 0, as the popup then shows the whole history.
    static QStringList row_texts(App& app);
    static void delete_entry(App& app, int row);
    static void move_entry(App& app, int from_row, int to_row);
    // Locks on the entry of current_row, or unlocks; returns whether it is locked now.
    static bool toggle_lock(App& app, int current_row);
    // The mime data of a row in rich-text mode, or null.
    static const QMimeData* mime_entry_of_row(const App& app, int row);
};
