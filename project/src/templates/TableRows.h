#pragma once

#include <QString>
#include <QVector>

// The rows of a copied table, found as far as asked for: a press of the special paste costs its
// own row, not a split of the whole table.
class TableRows {
public:
    bool has_row(const QString& table, int index);
    int row_count(const QString& table);
    QString row(const QString& table, int index);

private:
    QString m_indexed_table;
    QVector<int> m_line_ends;
    int m_scan_from = 0;
};
