#pragma once

#include <QDialog>

class App;
class QPushButton;
class QVBoxLayout;

// The Autocomplete page of the main window.
class AutocompleteMenu : public QDialog {
    Q_OBJECT
public:
    explicit AutocompleteMenu(App* app, QWidget* parent = nullptr);

    QPushButton* button_clear() const { return m_button_clear; }

public slots:
    void slot_button_clear_autocomplete_history_clicked();

private:
    App* m_app = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QPushButton* m_button_clear = nullptr;
};
