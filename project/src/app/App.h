#pragma once

#include "app/Singleton.h"
#include "clipboard/ClipboardCapture.h"
#include "clipboard/MimeDataCopier.h"
#include "clipboard/SecretMarks.h"

#include <QClipboard>
#include <QList>
#include <QPoint>
#include <QStringList>
#include <QWidget>

class AutocompleteDatabase;
class AutocompleteDialog;
class AutocompleteMenu;
class AutocompletePaste;
class HistoryDialog;
class HistoryMenu;
class ImageViewer;
class ClipboardOwner;
class HiddenFeatures;
class CopyPasteMenu;
class HotkeyProcessor;
class Keyboard;
class PrintScreenMenu;
class MainWindowForm;
class NoteDialog;
class Zoom;
class ZoomItMenu;
class QMimeData;
class QTemporaryDir;
class SaveManager;
class ShortcutsDialog;
class StatusIndicator;
class StatusIndicatorMenu;
class TemplateMenu;
class TemplatePaste;
class TradeMarkMenu;
class TrayIcon;

// The main window and the program's state: the clipboard history, the paste position and every
// setting. Other objects reach it through their App* or Singleton<App>.
class App : public QWidget, public Singleton<App> {
    Q_OBJECT
public:
    static constexpr int max_history_size = 100;

    explicit App(QWidget* parent = nullptr);
    ~App() override;

    // Settings (one field per key of the settings file).
    bool m_is_first_start = true;
    bool m_use_hidden_features = true;
    bool m_start_at_startup = true;
    bool m_create_shortcuts_automatically = true;
    bool m_use_spinning_tray_icon = true;
    bool m_use_hidden_features_notifications = true;
    bool m_hidden_features_help_already_shown = false;
    bool m_use_inverted_icons = true;
    bool m_use_keyboard_shortcuts = true;
    bool m_is_paused = false;
    bool m_rich_text_copy_enabled = true;
    bool m_file_copy_enabled = true;
    bool m_automatic_position_movement = true;
    QString m_paste_order;
    bool m_print_screen_enabled = true;
    QList<int> m_ignored_monitors;

    // Screenshots: saving asks for no name while this is on.
    bool m_automatic_screenshot_save = true;
    // Where the last screenshot went: the desktop, or the pictures folder when the desktop
    // folder could not be used. A click on the notification opens it.
    QString m_screenshot_folder;
    // The two zoom tools exclude each other.
    bool m_live_zoom_active = false;
    bool m_dead_zoom_active = false;

    // The history and the paste position.
    QStringList m_corvana_clipboard_text_history;
    QList<QMimeData*> m_corvana_clipboard_mime_data_history;
    int m_current_clipboard_history_position = -1;
    bool m_position_locked = false;
    int m_saved_position = -1;
    bool m_ignore_next_clipboard_change = false;
    bool m_paste_on_next_clipboard_change = false;
    // Text-history entries their source marked secret: queued, never stored, shown masked.
    SecretMarks m_secret_marks;
    QTemporaryDir* m_temp_dir = nullptr;

    // Template paste state, restarted by every copy.
    int m_template_row_counter = 0;
    QString m_template_table_text;

    // The keyboard hook.
    Keyboard* m_keyboard = nullptr;
    bool m_keyboard_hooked = false;

    int history_size() const;
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
    TradeMarkMenu* trade_mark_menu() const { return m_trade_mark_menu; }
    QString temp_dir_path() const;
    const MimeDataCopier& mime_copier() const { return m_mime_copier; }
    // Until the autocomplete store exists, inserts are only logged.
    void set_autocomplete_database(AutocompleteDatabase* database) { m_autocomplete = database; }

    HistoryDialog* history_dialog() const { return m_history_dialog; }
    HistoryMenu* history_menu() const { return m_history_menu; }
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
    void slot_clear_clipboard_history();
    void toggle_rich_text_copy();
    void enable_or_disable_rich_text_copy();
    void toggle_file_copy();
    void copy_pressed();
    void cut_pressed();
    void paste_pressed();
    void clipboard_set(const QString& text);
    void print_current_text_clipboard_state();
    void print_current_mime_data_clipboard_state();
    void show_debug_info();
    void clipboard_destroyed();
    void clipboard_find_buffer_changed();
    void clipboard_object_name_changed();
    void clipboard_selection_changed();

    void paste_from_corvana_clipboard();
    void clipboard_history_go_back();
    void clipboard_history_go_forward();
    void switch_paste_order();
    void slot_combobox_edit_text_changed(const QString& new_text);
    void enable_or_disable_automatic_position_movement();
    void lock_current_position();
    void unlock_current_position();
    void pause_or_resume_corvana();
    void on_button_change_mode_clicked();
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
    void toggle_automatic_screenshot_save();
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
    void database_insert(const QString& type, const QString& text);
    bool is_a_copy(ClipboardCapture::Outcome outcome, const QString& error);
    void take_back_clipboard();
    void capture_text();
    void capture_mime_data();
    void save_captured_image(const QMimeData* copy);
    void prepare_position_for_capture(bool history_empty);
    template <typename T>
    void insert_into_history(QList<T>& history, const T& entry, SecretMarks* marks = nullptr,
                             bool secret = false);
    void prepare_temp_subfolders();
    void create_popups();
    void setup_main_window();
    // Calls an App slot that a feature not built in yet may lack; logs when it is missing.
    void call_by_name(const char* slot);
    void not_built(const char* what);

    SaveManager* m_save_manager = nullptr;
    ShortcutsDialog* m_shortcuts_dialog = nullptr;
    HotkeyProcessor* m_hotkey_processor = nullptr;
    PrintScreenMenu* m_print_screen_menu = nullptr;
    TemplateMenu* m_template_menu = nullptr;
    TemplatePaste* m_template_paste = nullptr;
    HiddenFeatures* m_hidden_features = nullptr;
    TradeMarkMenu* m_trade_mark_menu = nullptr;
    Zoom* m_zoom = nullptr;
    ZoomItMenu* m_zoom_it_menu = nullptr;
    QClipboard* m_clipboard = nullptr;
    ClipboardOwner* m_clipboard_owner = nullptr;
    AutocompleteDatabase* m_autocomplete = nullptr;
    HistoryDialog* m_history_dialog = nullptr;
    ImageViewer* m_history_image_viewer = nullptr;
    HistoryMenu* m_history_menu = nullptr;
    AutocompleteDialog* m_autocomplete_dialog = nullptr;
    ImageViewer* m_autocomplete_image_viewer = nullptr;
    AutocompleteMenu* m_autocomplete_menu = nullptr;
    AutocompletePaste* m_autocomplete_paste = nullptr;
    MimeDataCopier m_mime_copier;
    ClipboardCapture* m_capture = nullptr;
    MainWindowForm* ui = nullptr;
    TrayIcon* m_tray_icon = nullptr;
    StatusIndicator* m_status_indicator = nullptr;
    StatusIndicatorMenu* m_status_indicator_menu = nullptr;
    CopyPasteMenu* m_copy_paste_menu = nullptr;
    NoteDialog* m_note_dialog = nullptr;
    int m_status_indicator_count = 0;
};
