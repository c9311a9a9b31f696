#pragma once

#include <QString>

class QGridLayout;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;
class TaskbarButton;

// The main window's form, object name "app": a white backdrop, the header with the state, and
// one button per page. App wires the buttons by name (on_<button>_clicked).
class MainWindowForm {
public:
    static constexpr int width = 445;
    static constexpr int height = 664;

    // The task bar light follows the state from here on.
    void setup_ui(QWidget* app, TaskbarButton& taskbar);

    // The state display of set_status: icon, window icon, status line and task bar light.
    void show_state(QWidget* app, const QString& state, const QString& text);
    void show_mode(bool paused);
    // What the desktop lets Corvana do, on the status line whenever it has nothing else to say;
    // the whole story in its tool tip.
    void show_session(const QString& summary, const QString& notice);
    void set_tooltips(const QString& pause_sequence, const QString& note_sequence);

    QLabel* background = nullptr;
    QWidget* gridLayoutWidget = nullptr;
    QGridLayout* app_grid_layout = nullptr;
    QVBoxLayout* app_vertical_layout = nullptr;
    QLabel* app_icon = nullptr;
    QLabel* app_title = nullptr;
    QLabel* app_info = nullptr;
    QPushButton* button_change_mode = nullptr;
    QPushButton* button_show_copy_paste_menu = nullptr;
    QPushButton* button_show_clipboard_history_menu = nullptr;
    QPushButton* button_show_autocomplete_menu = nullptr;
    QPushButton* button_show_status_indicator_menu = nullptr;
    QPushButton* button_toggle_note_dialog = nullptr;
    QPushButton* button_show_printscreen_menu = nullptr;
    QPushButton* button_show_trademark_menu = nullptr;
    QPushButton* button_show_shortcut_settings = nullptr;
    QPushButton* button_templates = nullptr;
    QPushButton* button_show_helper_dialog = nullptr;
    QPushButton* button_show_about = nullptr;
    QPushButton* button_zoomit_menu = nullptr;

private:
    TaskbarButton* m_taskbar = nullptr;
    QString m_session_summary;

    QPushButton* add_button(QWidget* parent, const char* name, const QString& text);
};
