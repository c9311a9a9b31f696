#pragma once

#include "autocomplete/AutocompleteStore.h"
#include "clipboard/AutocompleteDatabase.h"

#include <QDialog>
#include <memory>

class ActiveWindow;
class AutocompleteListView;
class AutocompleteModel;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QVBoxLayout;

// The searchable popup over every text ever copied and every saved image; choosing a row pastes
// it into the window that was active before. The store is its owner's; the popup shows it and
// tells it what the user changed.
class AutocompleteDialog : public QDialog, public AutocompleteDatabase {
    Q_OBJECT
public:
    AutocompleteDialog(AutocompleteStore& store, ActiveWindow& active_window,
                       QWidget* parent = nullptr);
    ~AutocompleteDialog() override;

    // Opens the popup at the pointer, or closes it when open.
    void open_or_close();

    AutocompleteStore& store() { return m_store; }
    AutocompleteModel* model() const { return m_model; }
    // The entries the rows show, one per row.
    const std::vector<quint32>& vector_rb() const;
    int vector_all_size() const { return m_store.size(); }
    LoadedObject vector_all(int index) const { return m_store.at(index); }
    LoadedObject entry_of_row(int row) const;

    AutocompleteListView* list_widget() const { return m_list_widget; }
    QLineEdit* line_edit() const { return m_line_edit; }
    QLabel* label() const { return m_label; }
    QPushButton* button_history() const { return m_button_history; }
    QPushButton* button_delete() const { return m_button_delete; }

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void autocomplete_list_item_activated(const QString& type, const QString& text);
    void autocomplete_list_item_entered(const QString& type, const QString& text);
    void close_me();
    void signal_leave_event();
    void signal_open_history();

public slots:
    void database_insert(const QString& type, const QString& text) override;
    void delete_history();
    void slot_delete_selected_element();
    void reload_if_images_changed();
    void show_all_entries();
    void update_count_label();
    void input_changed(const QString& str);
    void list_item_activated(const QModelIndex& index);
    void list_item_entered(const QModelIndex& index);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void init_layout();
    void init_connects();
    void select_first_row();
    void filter(const QString& str, bool narrow);

    AutocompleteStore& m_store;
    ActiveWindow& m_active_window;
    AutocompleteModel* m_model = nullptr;
    QHBoxLayout* m_columns = nullptr;
    AutocompleteListView* m_list_widget = nullptr;
    QLineEdit* m_line_edit = nullptr;
    QLabel* m_label = nullptr;
    QPushButton* m_button_history = nullptr;
    QPushButton* m_button_delete = nullptr;
    QPushButton* m_button_unused = nullptr;
    bool m_was_active = false;
    // The search the rows currently answer; a longer search containing it only narrows them.
    QString m_rows_search;
    bool m_rows_are_search = false;
};
