#include "tray/StatusIndicatorMenu.h"

#include <QCheckBox>
#include <QVBoxLayout>

StatusIndicatorMenu::StatusIndicatorMenu()
    : QDialog(nullptr), m_visibility(new QCheckBox(QStringLiteral("Show/hide Status Icon"), this)),
      m_clickthrough(new QCheckBox(QStringLiteral("Enable drag/Disable click-through"), this)),
      m_layout(new QVBoxLayout(this)) {
    setWindowTitle(QStringLiteral("Status Indicator Settings"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_layout->addWidget(m_visibility);
    m_layout->addWidget(m_clickthrough);
    m_clickthrough->setChecked(true);
    m_visibility->setChecked(false);
    connect(m_visibility, &QCheckBox::toggled, this,
            &StatusIndicatorMenu::slot_checkbox_visibility_toggled);
    connect(m_clickthrough, &QCheckBox::toggled, this,
            &StatusIndicatorMenu::slot_checkbox_clickthrough_toggled);
}

void StatusIndicatorMenu::slot_checkbox_visibility_toggled(bool checked) {
    emit signal_checkbox_visibility_toggle(checked);
}

void StatusIndicatorMenu::slot_checkbox_clickthrough_toggled(bool checked) {
    emit signal_checkbox_clickthrough_toggle(checked);
}
