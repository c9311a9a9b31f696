#pragma once

#include <QDialog>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// Asks for the file name of a screenshot. A name that is not a plain file name is refused here,
// with the reason, and the dialog stays open.
class PrintScreenSaveAskDialog : public QDialog {
    Q_OBJECT
public:
    explicit PrintScreenSaveAskDialog(QWidget* parent = nullptr);

    QLineEdit* line_edit() const { return m_line_edit; }
    QLabel* message_label() const { return m_message; }
    QPushButton* button_accept() const { return m_button_accept; }

signals:
    void signal_accept(QString name);

public slots:
    void on_button_cancel();
    void on_button_accept();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QVBoxLayout* m_layout;
    QHBoxLayout* m_buttons;
    QLabel* m_label;
    QPushButton* m_button_accept;
    QPushButton* m_button_cancel;
    QLineEdit* m_line_edit;
    QLabel* m_message;
};
