#pragma once

#include <QString>
#include <QVector>

// Which history entry each row of the history popup shows, and where the paste position goes
// when rows are deleted, moved or locked. Row 0 is the entry pasted next: forward order walks
// up from the position, backward order down from it.
class HistoryRows {
public:
    static bool is_forward(const QString& order) { return order != QLatin1String("backward"); }

    // The history indices shown, row by row (only those inside the history).
    static QVector<int> indices(const QString& order, int position, int size);
    // Rows count from the first entry shown, so every operation on a row reaches the entry the
    // row shows, even from a position outside the history.
    static int index_of_row(const QString& order, int position, int row, int size);

    struct Removal {
        int index = -1;    // the entry to remove; -1 when the row shows none
        int position = -1; // the position afterwards
    };
    static Removal remove(const QString& order, int position, int row, int size);

    struct Move {
        int take = -1;   // index taken out; -1 when the move is not possible
        int insert = -1; // index it goes to in the shortened history
    };
    static Move move(const QString& order, int position, int from_row, int to_row, int size);
};
