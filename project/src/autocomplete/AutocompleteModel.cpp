#include "autocomplete/AutocompleteModel.h"

#include "autocomplete/AutocompleteStore.h"

AutocompleteModel::AutocompleteModel(const AutocompleteStore* store, QObject* parent)
    : QAbstractListModel(parent), m_store(store) {}

int AutocompleteModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant AutocompleteModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    if (role == Qt::DisplayRole)
        return m_store->display_text_at(int(m_rows[size_t(index.row())]), shown_chars);
    return {};
}

void AutocompleteModel::set_rows(std::vector<quint32> rows) {
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

void AutocompleteModel::append_row(quint32 store_index) {
    const int row = int(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.push_back(store_index);
    endInsertRows();
}

LoadedObject AutocompleteModel::entry(int row) const {
    if (row < 0 || row >= int(m_rows.size()))
        return {};
    return m_store->at(int(m_rows[size_t(row)]));
}
