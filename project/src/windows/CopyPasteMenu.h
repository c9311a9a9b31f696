#pragma once

#include <QDialog>

class App;
struct AppSettings;
class QCheckBox;
class QComboBox;
class QVBoxLayout;

// The paste mode, rich-text copy and file copy. Holds no state: every control is told on by a
// signal, and App::update_ui sets the controls.
class CopyPasteMenu : public QDialog {
    Q_OBJECT
public:
    explicit CopyPasteMenu(App* app);

    App* app() const { return m_app; }

    void select_mode_backward();
    void select_mode_forward();
    void select_mode_manual();
    // What update_ui shows: the two switches.
    void show_switches(bool rich_text_copy, bool file_copy);
    // The mode box and both switches as the settings have them.
    void show_settings(const AppSettings& settings);

    QComboBox* mode_box() const { return m_combo_box_mode; }
    QCheckBox* rich_text_box() const { return m_check_box_rich_text_copy; }
    QCheckBox* file_copy_box() const { return m_check_box_file_copy; }

signals:
    void signal_mode_changed(const QString& text);
    void signal_rich_text_copy_toggled();
    void signal_file_copy_toggled();

public slots:
    void slot_combobox_change_mode_changed(const QString& text);
    void slot_checkbox_rich_text_copy_toggled();
    void slot_checkbox_file_copy_toggled();

private:
    QComboBox* m_combo_box_mode;
    QCheckBox* m_check_box_rich_text_copy;
    QCheckBox* m_check_box_file_copy;
    App* m_app;
    QVBoxLayout* m_layout;
};
