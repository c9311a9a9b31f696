#include "spells/InputDialog.h"

#include "common/UiScale.h"
#include "ui_InputDialog.h"

#include <QCloseEvent>

InputDialog::InputDialog(const QString& title, const QString& label, QWidget* parent)
    : QWidget(parent), ui(new Ui::InputDialog) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(UiScale::size(170, 90));
    setWindowTitle(title);
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    ui->label->setText(label);
    show();
    showNormal();
    raise();
    activateWindow();
    ui->input_text->setFocus();
}

InputDialog::~InputDialog() {
    delete ui;
}

void InputDialog::on_ok_button_clicked() {
    emit finished(ui->input_text->text());
    close();
}

void InputDialog::on_input_text_returnPressed() {
    on_ok_button_clicked();
}

void InputDialog::closeEvent(QCloseEvent* event) {
    emit closed();
    QWidget::closeEvent(event);
}
