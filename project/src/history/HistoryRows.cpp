#include "history/HistoryRows.h"

QVector<int> HistoryRows::indices(const QString& order, int position, int size) {
    QVector<int> rows;
    if (is_forward(order)) {
        for (int i = qMax(position, 0); i < size; ++i)
            rows.append(i);
    } else {
        // A position past the end shows from the last entry rather than from none.
        for (int i = qMin(position, size - 1); i >= 0; --i)
            rows.append(i);
    }
    return rows;
}

int HistoryRows::index_of_row(const QString& order, int position, int row) {
    return is_forward(order) ? position + row : position - row;
}

HistoryRows::Removal HistoryRows::remove(const QString& order, int position, int row, int size) {
    Removal removal;
    removal.position = position;
    const int index = index_of_row(order, position, row);
    if (row < 0 || index < 0 || index >= size)
        return removal;
    removal.index = index;
    if (!is_forward(order))
        --removal.position;
    if (size - 1 == 0)
        removal.position = -1;
    return removal;
}

HistoryRows::Move HistoryRows::move(const QString& order, int position, int from_row, int to_row,
                                    int size) {
    Move move;
    const int take = index_of_row(order, position, from_row);
    const int insert = index_of_row(order, position, to_row);
    if (from_row < 0 || to_row < 0 || take < 0 || take >= size || insert < 0 || insert >= size)
        return move;
    move.take = take;
    move.insert = insert;
    return move;
}
