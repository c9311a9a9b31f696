#include "autocomplete/AutocompleteMenu.h"

#include "app/App.h"

#include <QPushButton>
#include <QVBoxLayout>

AutocompleteMenu::AutocompleteMenu(App* app, QWidget* parent) : QDialog(parent), m_app(app) {
    setModal(true);
    setWindowTitle(QStringLiteral("Autocomplete"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_layout = new QVBoxLayout(this);
    m_button_clear = new QPushButton(QStringLiteral("Clear Autocomplete History"), this);
    m_layout->addWidget(m_button_clear);
    connect(m_button_clear, &QPushButton::clicked, this,
            &AutocompleteMenu::slot_button_clear_autocomplete_history_clicked);
}

void AutocompleteMenu::slot_button_clear_autocomplete_history_clicked() {
    m_app->clear_autocomplete_history_clicked();
}
