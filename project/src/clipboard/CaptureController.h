#pragma once

#include "clipboard/ClipboardCapture.h"

struct AppSettings;
class AutocompleteDatabase;
class ClipboardHistory;
class ClipboardOwner;
class ClipboardReader;
class MimeDataCopier;
class Notifier;

// A copy made anywhere on the desktop: reads it into the history in use, saves a copied image
// into the images folder and hands texts and image names to the autocomplete store. A clipboard
// emptied by its owner's exit is no copy: the clipboard then gets back what it held.
class CaptureController {
public:
    CaptureController(ClipboardHistory& history, const AppSettings& settings,
                      ClipboardReader& reader, ClipboardOwner& owner, MimeDataCopier& copier,
                      Notifier& notifier);

    // Until the autocomplete store exists, inserts are only logged.
    void set_database(AutocompleteDatabase* database) { m_database = database; }
    void database_insert(const QString& type, const QString& text);

    void capture();
    // The program that held the clipboard exited.
    void owner_gone();

private:
    bool is_a_copy(ClipboardCapture::Outcome outcome, const QString& error);
    void take_back_clipboard();
    void capture_text();
    void capture_mime_data();
    void save_captured_image(const QMimeData* copy);

    ClipboardHistory& m_history;
    const AppSettings& m_settings;
    ClipboardOwner& m_owner;
    MimeDataCopier& m_copier;
    Notifier& m_notifier;
    ClipboardCapture m_capture;
    AutocompleteDatabase* m_database = nullptr;
};
