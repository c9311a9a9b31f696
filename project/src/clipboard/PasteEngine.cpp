#include "clipboard/PasteEngine.h"

#include "clipboard/ClipboardHistory.h"
#include "clipboard/PendingPaste.h"
#include "common/AppLog.h"
#include "common/AppSettings.h"
#include "platform/ClipboardOwner.h"

#include <QDebug>
#include <QMimeData>

PasteEngine::PasteEngine(ClipboardHistory& history, AppSettings& settings, ClipboardOwner& owner,
                         MimeDataCopier& copier)
    : m_history(history), m_settings(settings), m_owner(owner), m_copier(copier) {}

void PasteEngine::paste() {
    APP_LOG(QStringLiteral("START paste_from_corvana_clipboard()"));
    m_owner.report_pending_copy(); // a copy made just before is queued first
    if (m_pending && m_pending->serve_pending())
        return;
    if (m_settings.m_is_paused)
        return;
    const auto step = m_history.advance();
    if (!step) {
        if (m_history.size() > 0)
            APP_LOG(QStringLiteral("Unknown paste order \"%1\": nothing pasted")
                        .arg(m_settings.m_paste_order));
        return;
    }
    // Our own serving is never reported as a copy, so nothing is marked to be ignored.
    // A mime entry hands out its own snapshots: files are copied at capture, never here.
    const bool rich = m_history.rich();
    if (rich)
        APP_LOG(QStringLiteral(
            "START get_mime_data_object_copy_2(const QMimeData *mime_data_reference)"));
    QMimeData* entry = m_history.entry_for_paste(step->index, m_copier);
    if (rich)
        APP_LOG(QStringLiteral(
            "END get_mime_data_object_copy_2(const QMimeData *mime_data_reference)"));
    if (!entry)
        return; // a text naming files is not pasted as text
    const ClipboardOwner::Result served = m_owner.serve(entry);
    if (!served.ok)
        APP_LOG(QStringLiteral("The entry could not be put on the clipboard: ") + served.error);
    APP_LOG(QStringLiteral("END paste_from_corvana_clipboard()"));
}

void PasteEngine::go_back() {
    AppLog::plain(QStringLiteral("App::clipboard_history_go_back()"));
    m_history.set_position(
        PasteQueue::go_back(m_settings.m_paste_order, m_history.position(), m_history.size()));
}

void PasteEngine::go_forward() {
    AppLog::plain(QStringLiteral("App::clipboard_history_go_forward()"));
    m_history.set_position(
        PasteQueue::go_forward(m_settings.m_paste_order, m_history.position(), m_history.size()));
}

void PasteEngine::switch_order() {
    if (m_settings.m_paste_order == QLatin1String("forward")) {
        m_settings.m_paste_order = QStringLiteral("backward");
        m_history.set_position(m_history.size() - 1);
    } else {
        m_settings.m_paste_order = QStringLiteral("forward");
        m_history.set_position(0);
    }
}

void PasteEngine::set_mode(const QString& mode) {
    if (mode == QLatin1String("Automatic Forward")) {
        m_settings.m_paste_order = QStringLiteral("forward");
        m_settings.m_automatic_position_movement = true;
        qDebug() << "Mode set to Automatic Forward";
    } else if (mode == QLatin1String("Automatic Backward")) {
        m_settings.m_paste_order = QStringLiteral("backward");
        m_settings.m_automatic_position_movement = true;
        qDebug() << "Mode set to Automatic Backward";
    } else if (mode == QLatin1String("Manual")) {
        m_settings.m_automatic_position_movement = false;
        qDebug() << "Mode set to automatic Manual";
    }
}

int PasteEngine::remaining() const {
    return PasteQueue::remaining(m_settings.m_paste_order, m_history.position(), m_history.size());
}
