#pragma once

#include <QDialog>

class AutocompleteDialog;
class QPushButton;
class QVBoxLayout;

// The Autocomplete page of the main window.
class AutocompleteMenu : public QDialog {
    Q_OBJECT
public:
    explicit AutocompleteMenu(QWidget* parent = nullptr);

    QPushButton* button_clear() const { return m_button_clear; }
    // Asks first; on Yes empties the store and deletes the files of the images folder.
    static void confirm_and_clear(QWidget* parent, AutocompleteDialog* dialog,
                                  const QString& images_dir);

signals:
    void signal_clear_autocomplete_history();

public slots:
    void slot_button_clear_autocomplete_history_clicked();

private:
    QVBoxLayout* m_layout = nullptr;
    QPushButton* m_button_clear = nullptr;
};
