#pragma once

#include <QString>
#include <QWidget>

namespace Ui {
class InputDialog;
}

// A small always-on-top window with one line to type into. Closing it ends it: it deletes
// itself, and the next request makes a new one.
class InputDialog : public QWidget {
    Q_OBJECT
public:
    InputDialog(const QString& title, const QString& label, QWidget* parent = nullptr);
    ~InputDialog() override;

signals:
    void finished(const QString& text);
    void closed();

private slots:
    void on_ok_button_clicked();
    void on_input_text_returnPressed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Ui::InputDialog* ui;
};
