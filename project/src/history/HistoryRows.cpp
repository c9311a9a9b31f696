#include "history/HistoryRows.h"

namespace {
int first_shown(bool forward, int position, int size) {
    // A position past the end shows from the last entry rather than from none.
    return forward ? qMax(position, 0) : qMin(position, size - 1);
}
} // namespace

QVector<int> HistoryRows::indices(const QString& order, int position, int size) {
    QVector<int> rows;
    const bool forward = is_forward(order);
    if (forward) {
        for (int i = first_shown(forward, position, size); i < size; ++i)
            rows.append(i);
    } else {
        for (int i = first_shown(forward, position, size); i >= 0; --i)
            rows.append(i);
    }
    return rows;
}

int HistoryRows::index_of_row(const QString& order, int position, int row, int size) {
    const bool forward = is_forward(order);
    const int first = first_shown(forward, position, size);
    return forward ? first + row : first - row;
}

HistoryRows::Removal HistoryRows::remove(const QString& order, int position, int row, int size) {
    Removal removal;
    removal.position = position;
    const int index = index_of_row(order, position, row, size);
    if (row < 0 || index < 0 || index >= size)
        return removal;
    removal.index = index;
    if (!is_forward(order))
        removal.position = first_shown(false, position, size) - 1;
    if (size - 1 == 0)
        removal.position = -1;
    return removal;
}

HistoryRows::Move HistoryRows::move(const QString& order, int position, int from_row, int to_row,
                                    int size) {
    Move move;
    const int take = index_of_row(order, position, from_row, size);
    const int insert = index_of_row(order, position, to_row, size);
    if (from_row < 0 || to_row < 0 || take < 0 || take >= size || insert < 0 || insert >= size)
        return move;
    move.take = take;
    move.insert = insert;
    return move;
}
