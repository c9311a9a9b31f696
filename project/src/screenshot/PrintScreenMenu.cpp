#include "screenshot/PrintScreenMenu.h"

#include "app/App.h"

#include <QCheckBox>
#include <QPushButton>
#include <QVBoxLayout>

PrintScreenMenu::PrintScreenMenu(App* app) : QDialog(nullptr), m_app(app) {
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
    m_app->toggle_automatic_screenshot_save();
}

void PrintScreenMenu::slot_checkbox_enabled_toggled() {
    m_app->toggle_print_screen_enabled();
}

void PrintScreenMenu::slot_button_printscreen_clicked() {
    m_app->print_screen();
}
