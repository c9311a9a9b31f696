#pragma once

#include <QDialog>

class QPushButton;
class QVBoxLayout;

// The History page of the main window.
class HistoryMenu : public QDialog {
    Q_OBJECT
public:
    explicit HistoryMenu(QWidget* parent = nullptr);

    QPushButton* button_clear_history() const { return m_button_clear_history; }
    QPushButton* button_show_history() const { return m_button_show_history; }

signals:
    void signal_clear_history();
    void signal_show_history();

public slots:
    void slot_button_clear_history_clicked();
    void slot_button_show_history_clicked();

private:
    QVBoxLayout* m_layout = nullptr;
    QPushButton* m_button_clear_history = nullptr;
    QPushButton* m_button_show_history = nullptr;
};
