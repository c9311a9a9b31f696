#include "history/HistoryPopup.h"

#include "clipboard/CapturedMimeData.h"
#include "clipboard/ClipboardHistory.h"
#include "clipboard/MimeDataCopier.h"
#include "clipboard/SecretContent.h"
#include "common/AppLog.h"
#include "common/AppSettings.h"
#include "history/HistoryDialog.h"
#include "history/HistoryEditor.h"
#include "history/HistoryMenu.h"
#include "history/ImageViewer.h"

#include <QImage>

HistoryPopup::HistoryPopup(HistoryDialog* dialog, ClipboardHistory& history,
                           const AppSettings& settings, MimeDataCopier& copier,
                           QWidget* page_parent)
    : m_dialog(dialog), m_viewer(new ImageViewer(dialog)), m_menu(new HistoryMenu(page_parent)),
      m_history(history), m_settings(settings), m_copier(copier) {
    connect(m_dialog, &HistoryDialog::signal_leave_event, m_viewer, &ImageViewer::hide_me);
}

HistoryPopup::~HistoryPopup() {
    delete m_dialog;
}

void HistoryPopup::close() {
    APP_LOG(QStringLiteral("START history_dialog_close()"));
    m_dialog->hide();
    m_viewer->hide();
    APP_LOG(QStringLiteral("END history_dialog_close()"));
}

void HistoryPopup::preview_row(int row) {
    APP_LOG(QStringLiteral("START history_dialog_item_entered()"));
    if (!m_history.rich())
        return;
    m_viewer->hide();
    const QMimeData* entry =
        HistoryEditor::mime_entry_of_row(m_history, m_settings.m_paste_order, row);
    if (entry && entry->hasImage() && !SecretContent::is_secret(entry))
        m_viewer->preview(m_dialog, qvariant_cast<QImage>(entry->imageData()));
    APP_LOG(QStringLiteral("END history_dialog_item_entered()"));
}

bool HistoryPopup::toggle_lock() {
    APP_LOG(QStringLiteral("START history_dialog_list_item_activated()"));
    const bool locked =
        HistoryEditor::toggle_lock(m_history, m_settings.m_paste_order, m_dialog->current_row());
    m_dialog->show_lock_state(locked);
    APP_LOG(QStringLiteral("END history_dialog_list_item_activated()"));
    return locked;
}

void HistoryPopup::move_row(int from_row, int to_row) {
    // A moved entry is copied anew, its file snapshots with it.
    HistoryEditor::move_entry(m_history, m_settings.m_paste_order, from_row, to_row,
                              [this](const QMimeData* moved) {
                                  return m_copier.copy(moved, m_settings.m_file_copy_enabled,
                                                       QStringLiteral("get_mime_data_object_copy"));
                              });
}

void HistoryPopup::delete_row(int row) {
    HistoryEditor::delete_entry(m_history, m_settings.m_paste_order, row);
}
