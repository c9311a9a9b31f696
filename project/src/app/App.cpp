#include "app/App.h"

#include "app/AppActions.h"
#include "app/SaveManager.h"
#include "autocomplete/AutocompleteDialog.h"
#include "autocomplete/AutocompletePaste.h"
#include "clipboard/CapturedMimeData.h"
#include "clipboard/HistoryDebugText.h"
#include "clipboard/SyntheticPaste.h"
#include "common/AppLog.h"
#include "history/HistoryDialog.h"
#include "history/PopupPlacement.h"
#include "platform/ClipboardOwner.h"
#include "platform/InputInjector.h"
#include "platform/Platform.h"
#include "screenshot/PrintScreenMenu.h"
#include "shortcuts/HotkeyProcessor.h"
#include "shortcuts/ShortcutTable.h"
#include "shortcuts/ShortcutsDialog.h"
#include "templates/TemplateMenu.h"
#include "templates/TemplatePaste.h"
#include "tray/TrayIcon.h"
#include "watermark/TradeMarkMenu.h"
#include "windows/HelperDialog.h"
#include "windows/MainWindowForm.h"
#include "zoom/LiveZoom.h"
#include "zoom/Zoom.h"
#include "zoom/ZoomItMenu.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QUrl>
#include <QWindow>
#include <iterator>

namespace {
void bring_up(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

// What each shortcut row triggers.
const std::pair<ShortcutTable::Row, void (App::*)()> shortcut_slots[] = {
    {ShortcutTable::SwitchPasteOrder, &App::switch_paste_order},
    {ShortcutTable::PauseOrResume, &App::pause_or_resume_corvana},
    {ShortcutTable::RichTextCopy, &App::enable_or_disable_rich_text_copy},
    {ShortcutTable::ClipboardUndo, &App::clipboard_history_go_back},
    {ShortcutTable::ClipboardRedo, &App::clipboard_history_go_forward},
    {ShortcutTable::ClearHistory, &App::clear_clipboard_history},
    {ShortcutTable::OpenHistoryDialog, &App::open_history_dialog},
    {ShortcutTable::ClipboardUndoWithArrow, &App::clipboard_history_go_back},
    {ShortcutTable::ClipboardRedoWithArrow, &App::clipboard_history_go_forward},
    {ShortcutTable::ShowDebugInfo, &App::show_debug_info},
    {ShortcutTable::OpenAutocomplete, &App::open_autocomplete_dialog},
    {ShortcutTable::LockCurrentPosition, &App::lock_current_position},
    {ShortcutTable::ToggleNote, &App::slot_toggle_note_dialog},
    {ShortcutTable::PrintScreen, &App::print_screen},
    {ShortcutTable::ToggleIndicatorClickThrough, &App::slot_toggle_status_indicator_clickthrough},
    {ShortcutTable::SpecialPaste, &App::ctrl_shift_v},
    {ShortcutTable::LiveZoom, &App::main_live_zoom},
    {ShortcutTable::ZoomWithPen, &App::main_dead_zoom},
};
static_assert(std::size(shortcut_slots) == ShortcutTable::row_count, "one slot per row");
} // namespace

App::App(QWidget* parent)
    : QWidget(parent), Singleton<App>(this), m_notifier(Platform::instance().system_info()) {
    Q_INIT_RESOURCE(resources);

    // Services; the shortcut dialog first, as the hotkeys read their sequences from it.
    m_shortcuts_dialog = new ShortcutsDialog(this);
    m_save_manager =
        new SaveManager(this, *this, *m_shortcuts_dialog, AppActions::indicator(*this));
    m_keyboard = Platform::instance().create_keyboard(nullptr);
    m_keyboard->set_hooked(true);
    m_keyboard_hooked = true;
    m_hotkey_processor = new HotkeyProcessor(*m_shortcuts_dialog, Platform::instance().key_state(),
                                             Platform::instance().global_hotkeys());
    connect_hotkeys();
    m_clipboard = QGuiApplication::clipboard();
    m_clipboard_owner = &Platform::instance().clipboard_owner();
    m_temp_dir = new QTemporaryDir;
    m_mime_copier.set_temp_root(m_temp_dir->isValid() ? m_temp_dir->path() : QString());
    m_capture = std::make_unique<CaptureController>(m_history, *this,
                                                    Platform::instance().clipboard_reader(),
                                                    *m_clipboard_owner, m_mime_copier, m_notifier);
    m_paste_engine =
        std::make_unique<PasteEngine>(m_history, *this, *m_clipboard_owner, m_mime_copier);

    // Pages, popups and tools.
    create_popups();
    m_note_dialog = new NoteDialog(this);
    m_status_indicator = new StatusIndicator(Platform::instance().window_style());
    m_status_indicator_menu = new StatusIndicatorMenu;
    m_copy_paste_menu = new CopyPasteMenu(this);
    connect(m_copy_paste_menu, &CopyPasteMenu::signal_mode_changed, this,
            &App::slot_combobox_edit_text_changed);
    connect(m_copy_paste_menu, &CopyPasteMenu::signal_rich_text_copy_toggled, this,
            &App::toggle_rich_text_copy);
    connect(m_copy_paste_menu, &CopyPasteMenu::signal_file_copy_toggled, this,
            &App::toggle_file_copy);
    m_print_screen_menu = new PrintScreenMenu;
    m_template_menu = new TemplateMenu(this);
    m_template_paste =
        new TemplatePaste(m_history, *this, *this, m_notifier, *m_clipboard_owner,
                          Platform::instance().input_injector(), Platform::instance().key_state());
    // The Ctrl+V of a special paste delivers its filled row.
    m_paste_engine->set_pending(m_template_paste);
    m_hidden_features = new HiddenFeatures(this, *this, AppActions::spells(*this));
    m_trade_mark_menu = new TradeMarkMenu(Platform::instance().window_style(), this);
    m_zoom = new Zoom(Platform::instance().screen_capture());
    m_zoom_it_menu = new ZoomItMenu(m_shortcuts_dialog);
    m_zoom_switch = std::make_unique<ZoomSwitch>(*this, *m_zoom, *m_zoom_it_menu);
    m_screenshots = std::make_unique<ScreenshotLauncher>(*this, *this, m_notifier,
                                                         Platform::instance().screen_capture());
    LiveZoom::instance(); // installs the mouse hook

    m_save_manager->load_settings();
    if (m_shortcuts_dialog->differs_from_defaults())
        m_hotkey_processor->update_shortcuts();

    m_tray_icon = new TrayIcon(this, *this, m_history, AppActions::tray(*this));
    m_notifier.set_tray(m_tray_icon);
    m_autocomplete_popup->store().set_notice_handler([this](const QString& text) {
        m_notifier.show_tray_message(QStringLiteral("Autocomplete"), text);
    });
    setup_main_window();
    const QString notice = Platform::instance().session_notice();
    ui->show_session(Platform::instance().session_summary(), notice);
    m_tray_icon->show_at_start(notice);
    m_status_indicator->show();
    update_status_indicator();

    AppActions::startup().apply_at_start(*this);
    if (m_is_first_start)
        open_app();

    connect_pages();
    m_keyboard->set_hooked(true);
    reconnect_keyboard_hook();

    m_is_first_start = false;
    MimeDataCopier::prepare_temp_folder(*m_temp_dir);
    update_tooltips();
}

void App::connect_hotkeys() {
    HotkeyProcessor* keys = m_hotkey_processor;
    connect(keys, &HotkeyProcessor::signal_shortcut, this, [this](int row) {
        for (const auto& [shortcut, slot] : shortcut_slots)
            if (shortcut == row)
                (this->*slot)();
    });
    connect(keys, &HotkeyProcessor::signal_copy, this, &App::copy_pressed);
    connect(keys, &HotkeyProcessor::signal_cut, this, &App::cut_pressed);
    connect(keys, &HotkeyProcessor::signal_paste, this, &App::paste_from_corvana_clipboard);
    connect(keys, &HotkeyProcessor::signal_print_screen, this, &App::print_screen);
    connect(keys, &HotkeyProcessor::signal_special_paste, this, &App::ctrl_shift_v);
}

void App::connect_pages() {
    // The one refresh of the count: a copy, a paste or an edit has changed the history.
    connect(&m_history, &ClipboardHistory::changed, this, &App::update_status_indicator);
    connect(&m_history, &ClipboardHistory::lock_changed, m_tray_icon, &TrayIcon::show_lock);
    connect(m_status_indicator, &StatusIndicator::clicked, this, &App::slot_show_history_dialog);
    connect(m_status_indicator_menu, &StatusIndicatorMenu::signal_checkbox_visibility_toggle, this,
            &App::slot_toggle_status_indicator_visibility);
    connect(m_status_indicator_menu, &StatusIndicatorMenu::signal_checkbox_clickthrough_toggle,
            this, &App::slot_toggle_status_indicator_clickthrough);
    connect(m_shortcuts_dialog, &QDialog::accepted, this, &App::update_global_shortcuts);
    connect(m_shortcuts_dialog, &QDialog::rejected, this, &App::update_global_shortcuts);
    connect(m_shortcuts_dialog->slider(), &QSlider::valueChanged, m_status_indicator,
            &StatusIndicator::set_transparency);
    connect(m_print_screen_menu, &PrintScreenMenu::signal_toggle_autosave, this,
            &App::toggle_automatic_screenshot_save);
    connect(m_print_screen_menu, &PrintScreenMenu::signal_toggle_enabled, this,
            &App::toggle_print_screen_enabled);
    connect(m_print_screen_menu, &PrintScreenMenu::signal_take_screenshot, this,
            &App::print_screen);
    connect(m_screenshots.get(), &ScreenshotLauncher::saved, this,
            &App::print_screen_show_notification);
    connect(m_keyboard, &Keyboard::signal_key_pressed, m_hotkey_processor,
            &HotkeyProcessor::key_reported);
    // Copies are heard from the clipboard owner, which knows our own pastes and their echoes.
    connect(m_clipboard_owner, &ClipboardOwner::copied, this, &App::clipboard_data_changed);
    connect(m_clipboard_owner, &ClipboardOwner::owner_gone, this, &App::clipboard_owner_gone);
    connect(m_clipboard, &QObject::destroyed, this, &App::clipboard_destroyed);
    connect(m_clipboard, &QClipboard::findBufferChanged, this, &App::clipboard_find_buffer_changed);
    connect(m_clipboard, &QObject::objectNameChanged, this, &App::clipboard_object_name_changed);
    connect(m_clipboard, &QClipboard::selectionChanged, this, &App::clipboard_selection_changed);
}

void App::setup_main_window() {
    ui = new MainWindowForm;
    ui->setup_ui(this, Platform::instance().taskbar_button());
    const std::pair<QPushButton*, void (App::*)()> buttons[] = {
        {ui->button_change_mode, &App::on_button_change_mode_clicked},
        {ui->button_show_copy_paste_menu, &App::on_button_show_copy_paste_menu_clicked},
        {ui->button_show_clipboard_history_menu,
         &App::on_button_show_clipboard_history_menu_clicked},
        {ui->button_show_autocomplete_menu, &App::on_button_show_autocomplete_menu_clicked},
        {ui->button_show_status_indicator_menu, &App::on_button_show_status_indicator_menu_clicked},
        {ui->button_toggle_note_dialog, &App::on_button_toggle_note_dialog_clicked},
        {ui->button_show_printscreen_menu, &App::on_button_show_printscreen_menu_clicked},
        {ui->button_show_trademark_menu, &App::on_button_show_trademark_menu_clicked},
        {ui->button_show_shortcut_settings, &App::on_button_show_shortcut_settings_clicked},
        {ui->button_templates, &App::on_button_templates_clicked},
        {ui->button_show_helper_dialog, &App::slot_button_show_helper_dialog},
        {ui->button_show_about, &App::on_button_show_about_clicked},
        {ui->button_zoomit_menu, &App::on_button_zoomit_menu_clicked}};
    for (const auto& [button, slot] : buttons)
        connect(button, &QPushButton::clicked, this, slot);
    setWindowTitle(QCoreApplication::applicationName());
    setFixedSize(size());
    update_ui();
}

App::~App() {
    // The display must not stay magnified after the program ends.
    LiveZoom::instance().reset();
    m_save_manager->save_settings();
    m_capture->set_database(nullptr);
    m_history.disconnect();
    m_notifier.set_tray(nullptr);
    m_paste_engine->set_pending(nullptr);
    for (QObject* part :
         std::initializer_list<QObject*>{m_autocomplete_popup, m_history_popup, m_tray_icon})
        delete part;
    m_tray_icon = nullptr;
    // The copies under way end before the folder they write into goes.
    m_mime_copier.stop_copies();
    if (m_temp_dir)
        m_temp_dir->remove();
    delete m_temp_dir;
    for (QObject* part : std::initializer_list<QObject*>{
             m_hotkey_processor, m_template_paste, m_template_menu, m_hidden_features, m_keyboard,
             m_save_manager, m_note_dialog, m_status_indicator, m_status_indicator_menu,
             m_copy_paste_menu})
        delete part;
    delete ui;
    for (QObject* part :
         std::initializer_list<QObject*>{m_print_screen_menu, m_zoom, m_zoom_it_menu})
        delete part;
    qDeleteAll(m_corvana_clipboard_mime_data_history);
    m_corvana_clipboard_mime_data_history.clear();
    m_corvana_clipboard_text_history.clear();
}

void App::create_popups() {
    m_history_popup = new HistoryPopup(
        new HistoryDialog(this, m_history, *this, Platform::instance().active_window()), m_history,
        *this, m_mime_copier, this);
    HistoryDialog* history = m_history_popup->dialog();
    connect(history, &HistoryDialog::signal_lock_button_clicked, this,
            &App::history_dialog_list_item_activated);
    connect(history, &HistoryDialog::signal_entered_row, this, &App::history_dialog_item_entered);
    connect(history, &HistoryDialog::close_me, this, &App::history_dialog_close);
    connect(history, &HistoryDialog::signal_delete_row, this, &App::delete_history_entry);
    connect(history, &HistoryDialog::signal_row_moved, this,
            &App::slot_history_list_item_position_changed);
    connect(history, &HistoryDialog::signal_open_autocomplete, this,
            &App::open_autocomplete_dialog);
    connect(m_history_popup->menu(), &HistoryMenu::signal_clear_history, this,
            &App::clear_clipboard_history);
    connect(m_history_popup->menu(), &HistoryMenu::signal_show_history, this,
            &App::open_history_dialog);

    m_autocomplete_popup =
        new AutocompletePopup(m_history, *m_keyboard, Platform::instance().active_window(),
                              *m_clipboard_owner, Platform::instance().input_injector(), this);
    AutocompleteDialog* autocomplete = m_autocomplete_popup->dialog();
    m_capture->set_database(autocomplete);
    connect(autocomplete, &AutocompleteDialog::autocomplete_list_item_activated, this,
            &App::slot_autocomplete_list_item_activated);
    connect(autocomplete, &AutocompleteDialog::autocomplete_list_item_entered, this,
            &App::slot_autocomplete_list_item_entered);
    connect(autocomplete, &AutocompleteDialog::close_me, this, &App::autocomplete_dialog_close);
    connect(autocomplete, &AutocompleteDialog::signal_open_history, this,
            &App::open_history_dialog);
    connect(m_autocomplete_popup->menu(), &AutocompleteMenu::signal_clear_autocomplete_history,
            this, &App::clear_autocomplete_history_clicked);
}

QString App::temp_dir_path() const {
    return m_temp_dir && m_temp_dir->isValid() ? m_temp_dir->path() : QString();
}

void App::quit() {
    m_save_manager->save_settings();
    // Under a second in all: what we serve outlives us only in a clipboard manager.
    m_clipboard_owner->hand_over(750);
    // The temporary folder goes now rather than with App: at the end of a Windows session the
    // process is ended as soon as this returns. The copies into it end first.
    m_mime_copier.stop_copies();
    if (m_temp_dir)
        m_temp_dir->remove();
    QCoreApplication::quit();
}

void App::open_app() {
    // A window unmapped from outside, or left on another desktop, still counts as visible;
    // map it anew so it really comes to the front.
    if (isVisible() && windowHandle() && !windowHandle()->isExposed())
        hide();
    show();
    showNormal();
    raise();
    activateWindow();
}

void App::key_pressed(int key, int /*flags*/) {
    if (m_hotkey_processor)
        m_hotkey_processor->handle_key_pressed(key);
}

void App::reconnect_keyboard_hook() {
    if (!m_use_keyboard_shortcuts && m_keyboard_hooked)
        disconnect_keyboard_hook();
    else if (m_use_keyboard_shortcuts && !m_keyboard_hooked)
        connect_keyboard_hook();
}

void App::update_global_shortcuts() {
    m_hotkey_processor->update_shortcuts();
    update_tooltips();
    // A changed sequence is kept at once, not only at the next orderly end.
    m_save_manager->save_settings();
}

void App::set_status(const QString& state, const QString& text) {
    ui->show_state(this, state, text);
    m_tray_icon->setToolTip(QStringLiteral("Corvana ") + QStringLiteral(CORVANA_VERSION));
    m_tray_icon->set_app_info(state, text);
}

void App::update_tooltips() {
    ui->set_tooltips(m_shortcuts_dialog->sequence(ShortcutTable::PauseOrResume),
                     m_shortcuts_dialog->sequence(ShortcutTable::ToggleNote));
}

void App::on_button_show_shortcut_settings_clicked() {
    m_hotkey_processor->disconnect_shortcuts();
    bring_up(m_shortcuts_dialog);
}

void App::slot_button_show_helper_dialog() {
    auto* help = new HelperDialog(this);
    help->set_text(HelperDialog::help_page(*m_shortcuts_dialog));
    help->show();
}

void App::clipboard_changed(QClipboard::Mode /*mode*/) {
    update_status_indicator();
}

void App::clipboard_data_changed() {
    APP_LOG(QStringLiteral("START clipboard_data_changed()"));
    if (m_ignore_next_clipboard_change) {
        m_ignore_next_clipboard_change = false;
        return;
    }
    if (m_paste_on_next_clipboard_change) {
        paste_from_corvana_clipboard();
        m_paste_on_next_clipboard_change = false;
    } else {
        copy_to_corvana_clipboard();
    }
    APP_LOG(QStringLiteral("END clipboard_data_changed()"));
}

void App::copy_to_corvana_clipboard() {
    APP_LOG(QStringLiteral("START copy_to_corvana_clipboard()"));
    m_capture->capture();
    if (!m_is_paused)
        APP_LOG(QStringLiteral("END copy_to_corvana_clipboard()"));
}

void App::add_to_corvana_text_history(const QString& current_clipboard_text, bool secret) {
    APP_LOG(QStringLiteral("START add_to_corvana_text_history(QString current_clipboard_text)"));
    m_history.add_text(current_clipboard_text, secret);
    APP_LOG(QStringLiteral("END add_to_corvana_text_history(QString current_clipboard_text)"));
}

void App::add_to_corvana_mime_data_history(QMimeData* current_clipboard_mime_data) {
    APP_LOG(QStringLiteral(
        "START add_to_corvana_mime_data_history(QMimeData *current_clipboard_mime_data)"));
    m_history.add_mime(current_clipboard_mime_data);
    APP_LOG(QStringLiteral(
        "END add_to_corvana_mime_data_history(QMimeData *current_clipboard_mime_data)"));
}

QMimeData* App::get_mime_data_object_copy(const QMimeData* mime_data_reference) {
    return m_mime_copier.copy(mime_data_reference, m_file_copy_enabled,
                              QStringLiteral("get_mime_data_object_copy"));
}

QMimeData* App::get_mime_data_object_copy_2(const QMimeData* mime_data_reference) {
    return m_mime_copier.copy_for_paste(mime_data_reference);
}

void App::clear_clipboard_history() {
    APP_LOG(QStringLiteral("App::clear_clipboard_history"));
    m_history.clear();
}

void App::toggle_file_copy() {
    m_file_copy_enabled = !m_file_copy_enabled;
    update_ui();
}

void App::pause_or_resume_corvana() {
    m_is_paused = !m_is_paused;
    update_ui();
}

void App::toggle_rich_text_copy() {
    m_rich_text_copy_enabled = !m_rich_text_copy_enabled;
    clear_clipboard_history();
    update_ui();
}

void App::copy_pressed() {
    m_history.unlock();
    m_template_row_counter = 0;
    m_template_table_text.clear();
}

void App::clipboard_set(const QString& text) {
    qDebug() << "Trying to set clip";
    m_clipboard->setText(text);
}

void App::show_debug_info() {
    APP_LOG(QStringLiteral("App::show_debug_info"));
    show_notification(QStringLiteral("Clipboard History"),
                      HistoryDebugText::text(m_current_clipboard_history_position,
                                             m_corvana_clipboard_mime_data_history,
                                             m_corvana_clipboard_text_history, m_secret_marks));
}

void App::on_button_show_trademark_menu_clicked() {
    bring_up(m_trade_mark_menu);
}

void App::on_button_templates_clicked() {
    APP_LOG(QStringLiteral("void App::on_button_templates_clicked()"));
    bring_up(m_template_menu);
}

void App::ctrl_shift_v() {
    APP_LOG(QStringLiteral("void App::ctrl_shift_v()"));
    m_template_paste->press(m_template_menu->selected_template());
}

void App::open_url(const QString& address) {
    if (!QDesktopServices::openUrl(QUrl(address)))
        APP_LOG(QStringLiteral("No program opened ") + address);
}

void App::switch_paste_order() {
    m_paste_engine->switch_order();
    update_ui();
    update_status_indicator();
}

void App::slot_combobox_edit_text_changed(const QString& new_text) {
    APP_LOG(QStringLiteral("START slot_combobox_edit_text_changed(QString new_text)"));
    m_paste_engine->set_mode(new_text);
    APP_LOG(QStringLiteral("END slot_combobox_edit_text_changed(QString new_text)"));
}

void App::enable_or_disable_automatic_position_movement() {
    APP_LOG(QStringLiteral("App::enable_or_disable_automatic_position_movement"));
    m_automatic_position_movement = !m_automatic_position_movement;
    update_ui();
}

void App::update_status_indicator() {
    m_status_indicator_count = remaining_count();
    m_status_indicator->set_counter(m_status_indicator_count);
}

void App::update_ui() {
    qDebug() << "Callig update ui";
    ui->show_mode(m_is_paused);
    if (m_is_paused)
        m_status_indicator->set_background_paused();
    else
        m_status_indicator->set_background_normal();
    m_copy_paste_menu->show_settings(*this);
    m_keyboard->set_print_screen_swallowed(m_print_screen_enabled);
    if (m_print_screen_menu)
        m_print_screen_menu->set_enabled_checked(m_print_screen_enabled);
    set_status(m_is_paused ? QStringLiteral("paused") : QStringLiteral("activated"), QString());
}

void App::SimulateCtrlV() {
    qDebug() << "Calling SimulateCtrlV()";
    SyntheticPaste::ctrl_v(Platform::instance().input_injector());
    qDebug() << "End SimulateCtrlV()";
}

void App::SimulateCtrlVReleasingAlt() {
    qDebug() << "Calling SimulateCtrlV()";
    SyntheticPaste::ctrl_v_releasing_modifiers(Platform::instance().input_injector(),
                                               Platform::instance().key_state());
    qDebug() << "End SimulateCtrlV()";
}

void App::place_popup_at_cursor(QWidget* widget) {
    PopupPlacement::place_popup_at_cursor(widget);
}

void App::open_history_dialog() {
    if (!history_dialog()->isVisible())
        autocomplete_paste()->remember_active_window();
    history_dialog()->open_or_close();
}

void App::history_dialog_list_item_activated() {
    const bool locked = m_history_popup->toggle_lock();
    update_ui();
    m_tray_icon->show_lock(locked); // after update_ui, which shows the running icon
}

void App::print_screen() {
    APP_LOG(QStringLiteral("START print_screen()"));
    m_screenshots->take();
}

void App::toggle_print_screen_enabled() {
    m_print_screen_enabled = !m_print_screen_enabled;
    // The keyboard stops swallowing Print at once, not at the next refresh.
    update_ui();
}

void App::print_screen_show_notification(const QString& name) {
    m_capture->database_insert(QStringLiteral("image"), name);
    show_tray_message(QStringLiteral("Image Saved"), QStringLiteral("File name: ") + name);
    connect(m_tray_icon, &QSystemTrayIcon::messageClicked, this,
            &App::slot_print_screen_show_notification_clicked, Qt::UniqueConnection);
}

void App::on_button_show_printscreen_menu_clicked() {
    bring_up(m_print_screen_menu);
}

void App::on_button_zoomit_menu_clicked() {
    qDebug() << "Button clicked";
    m_zoom_it_menu->show();
    m_zoom_it_menu->raise();
}
