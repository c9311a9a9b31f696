#include "templates/TableRows.h"

#include <climits>

bool TableRows::has_row(const QString& table, int index) {
    // QString shares its data: the same table costs one comparison of pointers.
    if (!m_indexed_table.isSharedWith(table) || m_indexed_table.size() != table.size()) {
        m_indexed_table = table;
        m_line_ends.clear();
        m_scan_from = 0;
    }
    while (m_line_ends.size() <= index && m_scan_from <= table.size()) {
        const int end = table.indexOf(QLatin1Char('\n'), m_scan_from);
        m_line_ends.append(end < 0 ? table.size() : end);
        m_scan_from = end < 0 ? table.size() + 1 : end + 1;
    }
    return index >= 0 && index < m_line_ends.size();
}

int TableRows::row_count(const QString& table) {
    has_row(table, INT_MAX - 1);
    return m_line_ends.size();
}

QString TableRows::row(const QString& table, int index) {
    if (!has_row(table, index))
        return QString();
    const int start = index == 0 ? 0 : m_line_ends.at(index - 1) + 1;
    return table.mid(start, m_line_ends.at(index) - start);
}
