#pragma once

#include "app/AppParts.h"
#include "app/AppSettings.h"
#include "app/Singleton.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/HistoryState.h"
#include "clipboard/MimeDataCopier.h"
#include "clipboard/PasteState.h"
#include "tray/TrayNotifier.h"

#include <QClipboard>
#include <QPoint>
#include <QWidget>
#include <memory>

class CaptureController;
class Keyboard;
class PasteEngine;
class QTemporaryDir;

// The main window and the owner of everything: it holds the settings, the history and the paste
// state in the plain structs it inherits, builds every feature and wires their signals. The
// work itself is done by the features; a slot here forwards in a few lines.
class App : public QWidget,
            public Singleton<App>,
            public AppSettings,
            public HistoryState,
            public PasteState,
            private AppParts {
    Q_OBJECT
public:
    static constexpr int max_history_size = ClipboardHistory::max_size;

    explicit App(QWidget* parent = nullptr);
    ~App() override;

    // Where the last screenshot went: the desktop, or the pictures folder when the desktop
    // folder could not be used. A click on the notification opens it.
    QString m_screenshot_folder;
    // The two zoom tools exclude each other.
    bool m_live_zoom_active = false;
    bool m_dead_zoom_active = false;
    QTemporaryDir* m_temp_dir = nullptr;
    // The keyboard hook.
    Keyboard* m_keyboard = nullptr;
    bool m_keyboard_hooked = false;

    ClipboardHistory& history() { return m_history; }
    Notifier& notifier() { return m_notifier; }
    int history_size() const { return m_history.size(); }
    // Entries still to paste, as the status indicator shows them.
    int remaining_count() const;
    int status_indicator_count() const { return m_status_indicator_count; }

    QMimeData* get_mime_data_object_copy(const QMimeData* mime_data_reference);
    QMimeData* get_mime_data_object_copy_2(const QMimeData* mime_data_reference);

    void update_ui();
    void SimulateCtrlV();
    void SimulateCtrlVReleasingAlt();
    void show_notification(const QString& title, const QString& text);
    void show_tray_message(const QString& title, const QString& text);
    void move_status_indicator(int x, int y);
    QPoint status_indicator_position() const;

    MainWindowForm* form() const { return ui; }
    TrayIcon* tray_icon() const { return m_tray_icon; }
    StatusIndicator* status_indicator() const { return m_status_indicator; }
    StatusIndicatorMenu* status_indicator_menu() const { return m_status_indicator_menu; }
    CopyPasteMenu* copy_paste_menu() const { return m_copy_paste_menu; }
    NoteDialog* note_dialog() const { return m_note_dialog; }
    SaveManager* save_manager() const { return m_save_manager; }
    ShortcutsDialog* shortcuts_dialog() const { return m_shortcuts_dialog; }
    PrintScreenMenu* print_screen_menu() const { return m_print_screen_menu; }
    Zoom* zoom() const { return m_zoom; }
    ZoomItMenu* zoom_it_menu() const { return m_zoom_it_menu; }
    HotkeyProcessor* get_hotkey_instance() const { return m_hotkey_processor; }
    TemplateMenu* template_menu() const { return m_template_menu; }
    TemplatePaste* template_paste() const { return m_template_paste; }
    HiddenFeatures* hidden_features() const { return m_hidden_features; }
    QString temp_dir_path() const;
    const MimeDataCopier& mime_copier() const { return m_mime_copier; }
    HistoryDialog* history_dialog() const { return m_history_dialog; }
    ImageViewer* history_image_viewer() const { return m_history_image_viewer; }
    AutocompleteDialog* autocomplete_dialog() const { return m_autocomplete_dialog; }
    AutocompleteMenu* autocomplete_menu() const { return m_autocomplete_menu; }
    ImageViewer* autocomplete_image_viewer() const { return m_autocomplete_image_viewer; }
    AutocompletePaste* autocomplete_paste() const { return m_autocomplete_paste; }

public slots:
    void quit();
    void open_app();
    void key_pressed(int key, int flags);

    void clipboard_changed(QClipboard::Mode mode);
    void clipboard_data_changed();
    // The program that held the clipboard exited: not a copy.
    void clipboard_owner_gone();
    void copy_to_corvana_clipboard();
    // secret: the source marked the text secret; the mark goes with the entry.
    void add_to_corvana_text_history(const QString& current_clipboard_text, bool secret = false);
    void add_to_corvana_mime_data_history(QMimeData* current_clipboard_mime_data);
    void clear_clipboard_history();
    void slot_clear_clipboard_history() { clear_clipboard_history(); }
    void toggle_rich_text_copy();
    void enable_or_disable_rich_text_copy() { toggle_rich_text_copy(); }
    void toggle_file_copy();
    void copy_pressed();
    void cut_pressed() {}
    void paste_pressed() { m_paste_on_next_clipboard_change = true; }
    void clipboard_set(const QString& text);
    void print_current_text_clipboard_state() {}
    void print_current_mime_data_clipboard_state() {}
    void show_debug_info();
    void clipboard_destroyed() {}
    void clipboard_find_buffer_changed() {}
    void clipboard_object_name_changed() {}
    void clipboard_selection_changed() {}

    void paste_from_corvana_clipboard();
    void clipboard_history_go_back();
    void clipboard_history_go_forward();
    void switch_paste_order();
    void slot_combobox_edit_text_changed(const QString& new_text);
    void enable_or_disable_automatic_position_movement();
    void lock_current_position() { m_history.lock(); }
    void unlock_current_position() { m_history.unlock(); }
    void pause_or_resume_corvana();
    void on_button_change_mode_clicked() { pause_or_resume_corvana(); }
    void update_status_indicator();

    void connect_keyboard_hook();
    void disconnect_keyboard_hook();
    void reconnect_keyboard_hook();
    void update_global_shortcuts();

    void open_history_dialog();
    void history_dialog_close();
    void history_dialog_item_entered(int row);
    void history_dialog_list_item_activated();
    void slot_history_list_item_position_changed(int from_row, int to_row);
    void delete_history_entry(int row);
    void place_popup_at_cursor(QWidget* widget);

    void open_autocomplete_dialog();
    void autocomplete_dialog_close();
    void slot_autocomplete_list_item_activated(const QString& type, const QString& text);
    void slot_autocomplete_list_item_entered(const QString& type, const QString& text);
    void clear_autocomplete_history_clicked();
    // The main window and its pages.
    void open_app_settings() { open_app(); }
    void set_status(const QString& state, const QString& text);
    void update_tooltips();
    void on_button_show_copy_paste_menu_clicked();
    void on_button_show_clipboard_history_menu_clicked();
    void on_button_show_autocomplete_menu_clicked();
    void on_button_show_status_indicator_menu_clicked();
    void on_button_toggle_note_dialog_clicked() { slot_toggle_note_dialog(); }
    void on_button_show_printscreen_menu_clicked();
    void on_button_show_trademark_menu_clicked();
    void on_button_show_shortcut_settings_clicked();
    void print_screen();
    void toggle_automatic_screenshot_save() {
        m_automatic_screenshot_save = !m_automatic_screenshot_save;
    }
    void toggle_print_screen_enabled();
    void print_screen_show_notification(const QString& name);
    void slot_print_screen_show_notification_clicked();
    void on_button_templates_clicked();
    void on_button_show_about_clicked();
    void slot_button_show_helper_dialog();
    void slot_toggle_note_dialog();
    void slot_toggle_status_indicator_visibility();
    void slot_toggle_status_indicator_clickthrough();
    void slot_show_history_dialog() { open_history_dialog(); }
    void ctrl_shift_v();

    void enter_hidden_feature_spell();
    void activate_hidden_feature(const QString& spell);
    void hidden_features_dialog_closed();
    void open_hidden_features_help();
    void open_url(const QString& address);
    void main_live_zoom();
    void main_dead_zoom();
    void reset_zoom();
    void on_button_zoomit_menu_clicked();

private:
    void prepare_temp_subfolders();
    void create_popups();
    void connect_pages();
    void setup_main_window();

    ClipboardHistory m_history{*this, *this};
    TrayNotifier m_notifier;
    MimeDataCopier m_mime_copier;
    std::unique_ptr<PasteEngine> m_paste_engine;
    std::unique_ptr<CaptureController> m_capture;
    QClipboard* m_clipboard = nullptr;
    MainWindowForm* ui = nullptr;
    int m_status_indicator_count = 0;
};
