#include "screenshot/PrintScreenSaveAskDialog.h"

#include "screenshot/ScreenshotFile.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

PrintScreenSaveAskDialog::PrintScreenSaveAskDialog(QWidget* parent) : QDialog(parent) {
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(QStringLiteral("Save screenshot"));
    m_layout = new QVBoxLayout(this);
    m_label = new QLabel(QStringLiteral("Enter a name for your file"), this);
    m_line_edit = new QLineEdit(this);
    m_message = new QLabel(this);
    m_message->setStyleSheet(QStringLiteral("color: #b00020"));
    m_message->setWordWrap(true);
    m_message->hide();
    m_buttons = new QHBoxLayout;
    m_button_accept = new QPushButton(QStringLiteral("Accept"), this);
    m_button_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_button_accept->setDefault(true);
    m_buttons->addWidget(m_button_accept);
    m_buttons->addWidget(m_button_cancel);
    m_layout->addWidget(m_label);
    m_layout->addWidget(m_line_edit);
    m_layout->addWidget(m_message);
    m_layout->addLayout(m_buttons);
    connect(m_button_accept, &QPushButton::clicked, this,
            &PrintScreenSaveAskDialog::on_button_accept);
    connect(m_button_cancel, &QPushButton::clicked, this,
            &PrintScreenSaveAskDialog::on_button_cancel);
}

void PrintScreenSaveAskDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_line_edit->setFocus(Qt::OtherFocusReason);
}

void PrintScreenSaveAskDialog::on_button_cancel() {
    close();
}

void PrintScreenSaveAskDialog::on_button_accept() {
    QString name;
    const QString problem = ScreenshotFile::check_name(m_line_edit->text(), &name);
    if (!problem.isEmpty()) {
        m_message->setText(problem);
        m_message->show();
        m_line_edit->setFocus(Qt::OtherFocusReason);
        return;
    }
    emit signal_accept(name);
    accept();
}
