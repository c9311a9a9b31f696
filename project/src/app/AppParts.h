#pragma once

class AutocompletePopup;
class ClipboardOwner;
class CopyPasteMenu;
class HiddenFeatures;
class HistoryPopup;
class HotkeyProcessor;
class MainWindowForm;
class NoteDialog;
class QClipboard;
class PrintScreenMenu;
class SaveManager;
class ShortcutsDialog;
class StatusIndicator;
class StatusIndicatorMenu;
class TemplateMenu;
class TemplatePaste;
class TradeMarkMenu;
class TrayIcon;
class Zoom;
class ZoomItMenu;

// The objects App builds and owns, one pointer each; App deletes them in its destructor.
struct AppParts {
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
    ClipboardOwner* m_clipboard_owner = nullptr;
    HistoryPopup* m_history_popup = nullptr;
    AutocompletePopup* m_autocomplete_popup = nullptr;
    TrayIcon* m_tray_icon = nullptr;
    StatusIndicator* m_status_indicator = nullptr;
    StatusIndicatorMenu* m_status_indicator_menu = nullptr;
    CopyPasteMenu* m_copy_paste_menu = nullptr;
    NoteDialog* m_note_dialog = nullptr;
    QClipboard* m_clipboard = nullptr;
    MainWindowForm* ui = nullptr;
};
