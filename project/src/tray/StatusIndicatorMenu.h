#pragma once

#include <QDialog>

class QCheckBox;
class QVBoxLayout;

// The indicator's settings page: show or hide it, drag or click-through.
class StatusIndicatorMenu : public QDialog {
    Q_OBJECT
public:
    StatusIndicatorMenu();

    QCheckBox* visibility_box() const { return m_visibility; }
    QCheckBox* clickthrough_box() const { return m_clickthrough; }

signals:
    void signal_checkbox_visibility_toggle(bool checked);
    void signal_checkbox_clickthrough_toggle(bool checked);

public slots:
    void slot_checkbox_visibility_toggled(bool checked);
    void slot_checkbox_clickthrough_toggled(bool checked);

private:
    QCheckBox* m_visibility;
    QCheckBox* m_clickthrough;
    QVBoxLayout* m_layout;
};
