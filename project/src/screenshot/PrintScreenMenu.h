#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QVBoxLayout;

// The screenshot settings page: automatic save, the feature switch and a button to take one.
class PrintScreenMenu : public QDialog {
    Q_OBJECT
public:
    PrintScreenMenu();

    // Shows the feature's state without acting on it (the box acts on clicks only).
    void set_enabled_checked(bool on);

    QCheckBox* checkbox_autosave() const { return m_checkbox_autosave; }
    QCheckBox* checkbox_enabled() const { return m_checkbox_enabled; }
    QPushButton* button_printscreen() const { return m_button_printscreen; }

signals:
    void signal_toggle_autosave();
    void signal_toggle_enabled();
    void signal_take_screenshot();

public slots:
    void init_layout();
    void init_connects();
    void slot_checkbox_autosave_toggled();
    void slot_checkbox_enabled_toggled();
    void slot_button_printscreen_clicked();

private:
    QCheckBox* m_checkbox_autosave = nullptr;
    QCheckBox* m_checkbox_enabled = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QPushButton* m_button_printscreen = nullptr;
};
