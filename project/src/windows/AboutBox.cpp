#include "windows/AboutBox.h"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

QDialog* AboutBox::open() {
    auto* dialog = new QDialog(nullptr, Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(true);
    dialog->setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(QStringLiteral("Version: ") + QStringLiteral(CORVANA_VERSION)));
    dialog->show();
    return dialog;
}
