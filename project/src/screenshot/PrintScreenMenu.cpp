#include "screenshot/PrintScreenMenu.h"

#include <QCheckBox>
#include <QPushButton>
#include <QVBoxLayout>

PrintScreenMenu::PrintScreenMenu() : QDialog(nullptr) {
    init_layout();
    init_connects();
}

void PrintScreenMenu::init_layout() {
    setWindowTitle(QStringLiteral("Screenshot settings"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_layout = new QVBoxLayout(this);
    m_checkbox_autosave = new QCheckBox(QStringLiteral("Toggle automatic save"), this);
    m_checkbox_enabled = new QCheckBox(QStringLiteral("Enable/Disable PrintScreen"), this);
    m_button_printscreen = new QPushButton(QStringLiteral("Take Screenshot"), this);
    // Checked before the connections exist, so this does not flip the flags.
    m_checkbox_autosave->setChecked(true);
    m_checkbox_enabled->setChecked(true);
    m_layout->addWidget(m_checkbox_autosave);
    m_layout->addWidget(m_checkbox_enabled);
    m_layout->addWidget(m_button_printscreen);
}

void PrintScreenMenu::init_connects() {
    connect(m_checkbox_autosave, &QCheckBox::toggled, this,
            &PrintScreenMenu::slot_checkbox_autosave_toggled);
    connect(m_checkbox_enabled, &QCheckBox::clicked, this,
            &PrintScreenMenu::slot_checkbox_enabled_toggled);
    connect(m_button_printscreen, &QPushButton::clicked, this,
            &PrintScreenMenu::slot_button_printscreen_clicked);
}

void PrintScreenMenu::set_enabled_checked(bool on) {
    m_checkbox_enabled->setChecked(on);
}

void PrintScreenMenu::slot_checkbox_autosave_toggled() {
    emit signal_toggle_autosave();
}

void PrintScreenMenu::slot_checkbox_enabled_toggled() {
    emit signal_toggle_enabled();
}

void PrintScreenMenu::slot_button_printscreen_clicked() {
    emit signal_take_screenshot();
}
