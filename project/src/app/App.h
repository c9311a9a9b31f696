#pragma once

#include "app/AppParts.h"
#include "app/Singleton.h"
#include "autocomplete/AutocompleteMenu.h"
#include "autocomplete/AutocompletePopup.h"
#include "clipboard/CaptureController.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/HistoryState.h"
#include "clipboard/MimeDataCopier.h"
#include "clipboard/PasteEngine.h"
#include "clipboard/PasteState.h"
#include "common/AppSettings.h"
#include "common/ToolState.h"
#include "history/HistoryMenu.h"
#include "history/HistoryPopup.h"
#include "platform/Keyboard.h"
#include "screenshot/ScreenshotLauncher.h"
#include "spells/HiddenFeatures.h"
#include "tray/StatusIndicator.h"
#include "tray/StatusIndicatorMenu.h"
#include "tray/TrayNotifier.h"
#include "windows/AboutBox.h"
#include "windows/CopyPasteMenu.h"
#include "windows/NoteDialog.h"
#include "zoom/ZoomSwitch.h"

#include <QClipboard>
#include <QPoint>
#include <QWidget>
#include <memory>

// The main window and the owner of everything: the state is in the plain structs it inherits,
// the work in the features it builds and wires; a slot here forwards in a few lines.
class App : public QWidget,
            public Singleton<App>,
            public AppSettings,
            public HistoryState,
            public PasteState,
            public ToolState,
            private AppParts {
    Q_OBJECT
public:
    static constexpr int max_history_size = ClipboardHistory::max_size;

    explicit App(QWidget* parent = nullptr);
    ~App() override;
    Keyboard* m_keyboard = nullptr;
    bool m_keyboard_hooked = false;

    ClipboardHistory& history() { return m_history; }
    int history_size() const { return m_history.size(); }
    // Entries still to paste, as the status indicator shows them.
    int remaining_count() const { return m_paste_engine->remaining(); }
    int status_indicator_count() const { return m_status_indicator_count; }

    QMimeData* get_mime_data_object_copy(const QMimeData* mime_data_reference);
    QMimeData* get_mime_data_object_copy_2(const QMimeData* mime_data_reference);

    void update_ui();
    void SimulateCtrlV();
    void SimulateCtrlVReleasingAlt();
    void show_notification(const QString& title, const QString& text) {
        m_notifier.show_notification(title, text);
    }
    void show_tray_message(const QString& title, const QString& text) {
        m_notifier.show_tray_message(title, text);
    }
    void move_status_indicator(int x, int y) { m_status_indicator->move_to(x, y); }
    QPoint status_indicator_position() const { return m_status_indicator->position(); }

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
    HistoryDialog* history_dialog() const { return m_history_popup->dialog(); }
    ImageViewer* history_image_viewer() const { return m_history_popup->viewer(); }
    AutocompleteDialog* autocomplete_dialog() const { return m_autocomplete_popup->dialog(); }
    AutocompleteMenu* autocomplete_menu() const { return m_autocomplete_popup->menu(); }
    ImageViewer* autocomplete_image_viewer() const { return m_autocomplete_popup->viewer(); }
    AutocompletePaste* autocomplete_paste() const { return m_autocomplete_popup->paste(); }

public slots:
    void quit();
    void open_app();
    void key_pressed(int key, int flags);

    void clipboard_changed(QClipboard::Mode mode);
    void clipboard_data_changed();
    // The program that held the clipboard exited: not a copy.
    void clipboard_owner_gone() { m_capture->owner_gone(); }
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

    void paste_from_corvana_clipboard() { m_paste_engine->paste(); }
    void clipboard_history_go_back() { m_paste_engine->go_back(); }
    void clipboard_history_go_forward() { m_paste_engine->go_forward(); }
    void switch_paste_order();
    void slot_combobox_edit_text_changed(const QString& new_text);
    void enable_or_disable_automatic_position_movement();
    void lock_current_position() { m_history.lock(); }
    void unlock_current_position() { m_history.unlock(); }
    void pause_or_resume_corvana();
    void on_button_change_mode_clicked() { pause_or_resume_corvana(); }
    void update_status_indicator();

    void connect_keyboard_hook() { m_keyboard->set_hooked(m_keyboard_hooked = true); }
    void disconnect_keyboard_hook() { m_keyboard->set_hooked(m_keyboard_hooked = false); }
    void reconnect_keyboard_hook();
    void update_global_shortcuts();

    void open_history_dialog();
    void history_dialog_close() { m_history_popup->close(); }
    void history_dialog_item_entered(int row) { m_history_popup->preview_row(row); }
    void history_dialog_list_item_activated();
    void slot_history_list_item_position_changed(int from_row, int to_row) {
        m_history_popup->move_row(from_row, to_row);
    }
    void delete_history_entry(int row) { m_history_popup->delete_row(row); }
    void place_popup_at_cursor(QWidget* widget);

    void open_autocomplete_dialog() { m_autocomplete_popup->open_or_close(); }
    void autocomplete_dialog_close() { m_autocomplete_popup->close(); }
    void slot_autocomplete_list_item_activated(const QString& type, const QString& text) {
        m_autocomplete_popup->activate(type, text);
    }
    void slot_autocomplete_list_item_entered(const QString& type, const QString& text) {
        m_autocomplete_popup->preview(type, text);
    }
    void clear_autocomplete_history_clicked() { m_autocomplete_popup->clear(); }
    // The main window and its pages.
    void open_app_settings() { open_app(); }
    void set_status(const QString& state, const QString& text);
    void update_tooltips();
    void on_button_show_copy_paste_menu_clicked() { m_copy_paste_menu->show(); }
    void on_button_show_clipboard_history_menu_clicked() { m_history_popup->menu()->show(); }
    void on_button_show_autocomplete_menu_clicked() { autocomplete_menu()->show(); }
    void on_button_show_status_indicator_menu_clicked() { m_status_indicator_menu->show(); }
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
    void slot_print_screen_show_notification_clicked() {
        ScreenshotLauncher::open_folder(m_screenshot_folder);
    }
    void on_button_templates_clicked();
    void on_button_show_about_clicked() { AboutBox::open(); }
    void slot_button_show_helper_dialog();
    void slot_toggle_note_dialog() { m_note_dialog->setVisible(!m_note_dialog->isVisible()); }
    void slot_toggle_status_indicator_visibility() { m_status_indicator->toggle_visibility(); }
    void slot_toggle_status_indicator_clickthrough() { m_status_indicator->toggle_clickthrough(); }
    void slot_show_history_dialog() { open_history_dialog(); }
    void ctrl_shift_v();

    void enter_hidden_feature_spell() { m_hidden_features->enter_spell(); }
    void activate_hidden_feature(const QString& spell) { m_hidden_features->activate(spell); }
    void hidden_features_dialog_closed() { m_hidden_features->dialog_closed(); }
    void open_hidden_features_help() { open_url(HiddenFeatures::help_url()); }
    void open_url(const QString& address);
    void main_live_zoom() { m_zoom_switch->toggle_live(); }
    void main_dead_zoom() { m_zoom_switch->toggle_pen(); }
    void reset_zoom() { m_zoom_switch->end_pen(); }
    void on_button_zoomit_menu_clicked();

private:
    void create_popups();
    void connect_hotkeys();
    void connect_pages();
    void setup_main_window();

    ClipboardHistory m_history{*this, *this};
    TrayNotifier m_notifier;
    MimeDataCopier m_mime_copier;
    std::unique_ptr<PasteEngine> m_paste_engine;
    std::unique_ptr<CaptureController> m_capture;
    std::unique_ptr<ZoomSwitch> m_zoom_switch;
    std::unique_ptr<ScreenshotLauncher> m_screenshots;
    int m_status_indicator_count = 0;
};
