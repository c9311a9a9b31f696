#include "clipboard/CaptureController.h"

#include "clipboard/AutocompleteDatabase.h"
#include "clipboard/CapturedMimeData.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/ClipboardImageSaver.h"
#include "clipboard/MimeDataCopier.h"
#include "clipboard/SecretContent.h"
#include "common/AppLog.h"
#include "common/AppSettings.h"
#include "common/DataPaths.h"
#include "common/Notifier.h"

#include <QDebug>

CaptureController::CaptureController(ClipboardHistory& history, const AppSettings& settings,
                                     ClipboardReader& reader, ClipboardOwner& owner,
                                     MimeDataCopier& copier, Notifier& notifier)
    : m_history(history), m_settings(settings), m_owner(owner), m_copier(copier),
      m_notifier(notifier), m_capture(reader, copier) {}

void CaptureController::database_insert(const QString& type, const QString& text) {
    if (m_database)
        m_database->database_insert(type, text);
    else
        qDebug().noquote() << "database_insert" << type << "(no autocomplete store yet)";
}

void CaptureController::capture() {
    if (m_settings.m_is_paused) {
        m_history.unlock();
        return;
    }
    if (m_history.rich())
        capture_mime_data();
    else
        capture_text();
}

bool CaptureController::is_a_copy(ClipboardCapture::Outcome outcome, const QString& error) {
    if (outcome == ClipboardCapture::Outcome::Unread) {
        APP_LOG(QStringLiteral("The clipboard could not be read, nothing recorded: ") + error);
        return false;
    }
    if (outcome == ClipboardCapture::Outcome::Emptied) {
        // Its owner exited. Not a copy: the queue stays, and the clipboard gets back what it
        // held, so a Paste from any program's menu still works.
        APP_LOG(QStringLiteral("The clipboard was emptied, nothing recorded"));
        take_back_clipboard();
        return false;
    }
    ClipboardCapture::debug_stall();
    m_history.unlock();
    return true;
}

void CaptureController::take_back_clipboard() {
    const ClipboardOwner::Result served = m_capture.take_back(m_owner);
    if (!served.ok)
        APP_LOG(QStringLiteral("The clipboard could not be taken back: ") + served.error);
}

void CaptureController::owner_gone() {
    if (m_settings.m_is_paused)
        return;
    APP_LOG(QStringLiteral("The clipboard's owner went away, taking the clipboard back"));
    take_back_clipboard();
}

void CaptureController::capture_text() {
    // Reading asks the clipboard's owner, which may be slow or hung: the keyboard does not
    // wait on it (Keyboard), and neither does an end of the program (ClipboardReader).
    const ClipboardCapture::Text read = m_capture.read_text();
    if (!is_a_copy(read.outcome, read.error))
        return;
    if (!read.error.isEmpty())
        APP_LOG(read.error);
    AppLog::plain(SecretContent::log_preview(read.text, read.secret));
    m_history.prepare_for_capture();
    APP_LOG(QStringLiteral("START add_to_corvana_text_history(QString current_clipboard_text)"));
    m_history.add_text(read.text, read.secret);
    APP_LOG(QStringLiteral("END add_to_corvana_text_history(QString current_clipboard_text)"));
    m_capture.remember_text(read.text, read.secret);
    AppLog::plain(QStringLiteral("----- copy_to_corvana_clipboard ----- "));
    if (!read.secret)
        database_insert(QStringLiteral("text"), read.text);
}

void CaptureController::capture_mime_data() {
    const ClipboardCapture::Mime read = m_capture.read_mime(m_settings.m_file_copy_enabled);
    if (!is_a_copy(read.outcome, read.error))
        return;
    if (!read.error.isEmpty())
        APP_LOG(read.error);
    QMimeData* copy = read.data;
    m_history.prepare_for_capture();
    APP_LOG(QStringLiteral(
        "START add_to_corvana_mime_data_history(QMimeData *current_clipboard_mime_data)"));
    m_history.add_mime(copy);
    APP_LOG(QStringLiteral(
        "END add_to_corvana_mime_data_history(QMimeData *current_clipboard_mime_data)"));
    // The history may have dropped the copy already; read it only while it is still there.
    if (!m_history.holds(copy))
        return;
    m_capture.remember_mime(copy);
    if (read.secret) {
        qDebug() << "Secret content: queued, nothing stored";
        return;
    }
    if (copy->hasText() && !copy->hasUrls() && !copy->hasImage() && !copy->hasColor()) {
        qDebug() << "Text";
        database_insert(QStringLiteral("text"), copy->text());
    } else if (copy->hasImage()) {
        qDebug() << "Image";
        save_captured_image(copy);
    }
}

void CaptureController::save_captured_image(const QMimeData* copy) {
    const auto outcome =
        ClipboardImageSaver(DataPaths::get().images_dir()).save_entry(copy, m_copier.file_copier());
    if (outcome.result == ClipboardImageSaver::Result::Full)
        return;
    APP_LOG(QStringLiteral("ADDING TO AUTOCOMPLETE HISTORY"));
    database_insert(QStringLiteral("image"), outcome.name);
    if (outcome.result == ClipboardImageSaver::Result::Saved)
        m_notifier.show_tray_message(QStringLiteral("Image saved"),
                                     "Under the name of " + outcome.name);
}
