#include "windows/CopyPasteMenu.h"

#include "common/AppSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QVBoxLayout>

CopyPasteMenu::CopyPasteMenu(App* app)
    : QDialog(nullptr), m_combo_box_mode(new QComboBox(this)),
      m_check_box_rich_text_copy(new QCheckBox(QStringLiteral("Enable rich text copy"), this)),
      m_check_box_file_copy(new QCheckBox(QStringLiteral("Enable file copy"), this)), m_app(app),
      m_layout(new QVBoxLayout(this)) {
    m_layout->addWidget(m_combo_box_mode);
    m_layout->addWidget(m_check_box_rich_text_copy);
    m_layout->addWidget(m_check_box_file_copy);
    m_combo_box_mode->addItems({QStringLiteral("Automatic Forward"),
                                QStringLiteral("Automatic Backward"), QStringLiteral("Manual")});
    setModal(true);
    setWindowTitle(QStringLiteral("Copy-Paste Settings"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    connect(m_check_box_file_copy, &QCheckBox::clicked, this,
            &CopyPasteMenu::slot_checkbox_file_copy_toggled);
    connect(m_check_box_rich_text_copy, &QCheckBox::clicked, this,
            &CopyPasteMenu::slot_checkbox_rich_text_copy_toggled);
    // The text overload of currentIndexChanged is deprecated; the item text is what it carried.
    connect(m_combo_box_mode, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int index) {
                slot_combobox_change_mode_changed(m_combo_box_mode->itemText(index));
            });
}

void CopyPasteMenu::select_mode_backward() {
    m_combo_box_mode->setCurrentIndex(1);
}

void CopyPasteMenu::select_mode_forward() {
    m_combo_box_mode->setCurrentIndex(0);
}

void CopyPasteMenu::select_mode_manual() {
    m_combo_box_mode->setCurrentIndex(2);
}

void CopyPasteMenu::show_switches(bool rich_text_copy, bool file_copy) {
    m_check_box_rich_text_copy->setChecked(rich_text_copy);
    m_check_box_file_copy->setChecked(file_copy);
}

void CopyPasteMenu::slot_combobox_change_mode_changed(const QString& text) {
    emit signal_mode_changed(text);
}

void CopyPasteMenu::slot_checkbox_rich_text_copy_toggled() {
    emit signal_rich_text_copy_toggled();
}

void CopyPasteMenu::slot_checkbox_file_copy_toggled() {
    emit signal_file_copy_toggled();
}

void CopyPasteMenu::show_settings(const AppSettings& settings) {
    show_switches(settings.m_rich_text_copy_enabled, settings.m_file_copy_enabled);
    if (!settings.m_automatic_position_movement)
        select_mode_manual();
    else if (settings.m_paste_order == QLatin1String("forward"))
        select_mode_forward();
    else if (settings.m_paste_order == QLatin1String("backward"))
        select_mode_backward();
}
