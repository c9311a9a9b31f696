#pragma once

#include "autocomplete/LoadedObject.h"

#include <QAbstractListModel>
#include <vector>

class AutocompleteStore;

// The rows of the autocomplete popup: a list of store indices, one per row. Only the rows on
// screen are ever turned into text, so a million rows cost four bytes each.
class AutocompleteModel : public QAbstractListModel {
    Q_OBJECT
public:
    static constexpr int shown_chars = 300;

    AutocompleteModel(const AutocompleteStore* store, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void set_rows(std::vector<quint32> rows);
    void append_row(quint32 store_index);
    const std::vector<quint32>& rows() const { return m_rows; }
    LoadedObject entry(int row) const;

private:
    const AutocompleteStore* m_store;
    std::vector<quint32> m_rows;
};
