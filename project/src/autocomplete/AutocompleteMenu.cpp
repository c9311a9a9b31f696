#include "autocomplete/AutocompleteMenu.h"

#include "autocomplete/AutocompleteDialog.h"

#include <QDebug>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

AutocompleteMenu::AutocompleteMenu(QWidget* parent) : QDialog(parent) {
    setModal(true);
    setWindowTitle(QStringLiteral("Autocomplete"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_layout = new QVBoxLayout(this);
    m_button_clear = new QPushButton(QStringLiteral("Clear Autocomplete History"), this);
    m_layout->addWidget(m_button_clear);
    connect(m_button_clear, &QPushButton::clicked, this,
            &AutocompleteMenu::slot_button_clear_autocomplete_history_clicked);
}

void AutocompleteMenu::confirm_and_clear(QWidget* parent, AutocompleteDialog* dialog,
                                         const QString& images_dir) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Warning"),
                    QStringLiteral("Are you sure you want to clear the history file?"),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::NoButton);
    if (box.exec() != QMessageBox::Yes)
        return;
    dialog->delete_history();
    QDir images(images_dir);
    for (const QString& name : images.entryList({QStringLiteral("*.*")}, QDir::Files)) {
        if (!images.remove(name))
            qDebug().noquote() << "Could not delete" << images.filePath(name);
    }
}

void AutocompleteMenu::slot_button_clear_autocomplete_history_clicked() {
    emit signal_clear_autocomplete_history();
}
