#include "history/HistoryMenu.h"

#include <QPushButton>
#include <QVBoxLayout>

HistoryMenu::HistoryMenu(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("History"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_layout = new QVBoxLayout(this);
    m_button_clear_history = new QPushButton(QStringLiteral("Clear history"), this);
    m_button_show_history = new QPushButton(QStringLiteral("Show history"), this);
    m_layout->addWidget(m_button_clear_history);
    m_layout->addWidget(m_button_show_history);
    connect(m_button_clear_history, &QPushButton::clicked, this,
            &HistoryMenu::slot_button_clear_history_clicked);
    connect(m_button_show_history, &QPushButton::clicked, this,
            &HistoryMenu::slot_button_show_history_clicked);
}

void HistoryMenu::slot_button_clear_history_clicked() {
    emit signal_clear_history();
}

void HistoryMenu::slot_button_show_history_clicked() {
    emit signal_show_history();
}
