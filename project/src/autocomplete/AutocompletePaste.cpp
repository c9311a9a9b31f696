#include "autocomplete/AutocompletePaste.h"

#include "app/App.h"
#include "app/AppLog.h"
#include "autocomplete/ImageEntryFile.h"
#include "clipboard/PictureDecoder.h"
#include "platform/ActiveWindow.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"

#include <QApplication>
#include <QDebug>
#include <QImage>
#include <QMimeData>
#include <QWidget>

namespace {
bool is_own_window(quint64 window) {
    if (window == 0)
        return false;
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        if (quint64(widget->internalWinId()) == window)
            return true;
    }
    return false;
}
} // namespace

AutocompletePaste::AutocompletePaste(App* app) : QObject(app), m_app(app) {
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(timeout_ms);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        APP_LOG(QStringLiteral("The synthesized Ctrl+V never reached the paste engine; the "
                               "history is restored"));
        finish(QStringLiteral("time-out"));
    });
    m_focus_poll.setInterval(10);
    connect(&m_focus_poll, &QTimer::timeout, this, &AutocompletePaste::send_when_focused);
}

void AutocompletePaste::remember_active_window() {
    const quint64 active = Platform::instance().active_window().current();
    if (active != 0 && !is_own_window(active))
        m_previous_window = active;
}

void AutocompletePaste::paste(const QString& type, const QString& text, const QString& images_dir) {
    APP_LOG(QStringLiteral("START slot_autocomplete_list_item_activated(QString str)"));
    qDebug().noquote() << "Type is: " + type;
    qDebug().noquote() << "Text is: " + text.left(200);
    if (m_pending)
        finish(QStringLiteral("a new paste started"));

    APP_LOG(QStringLiteral("Adding element to vector"));
    m_rich = m_app->m_rich_text_copy_enabled;
    m_position_before = m_app->m_current_clipboard_history_position;
    if (m_rich) {
        m_mime_entry = new QMimeData;
        // Only an image entry is a picture; a text that happens to name a file stays a text.
        const QString path =
            type == QLatin1String("image") ? ImageEntryFile::path(images_dir, text) : QString();
        const QImage image = path.isEmpty() ? QImage() : PictureDecoder::decode_file(path);
        if (!image.isNull()) {
            qDebug() << "Load successful";
            m_mime_entry->setImageData(image);
        } else {
            qDebug() << "Load failed";
            m_mime_entry->setText(text);
        }
        m_app->m_corvana_clipboard_mime_data_history.prepend(m_mime_entry);
    } else {
        m_text_entry = text;
        m_app->m_corvana_clipboard_text_history.prepend(text);
        m_app->m_secret_marks.insert(0, false);
    }
    APP_LOG(QStringLiteral("Added element to vector"));
    m_app->m_current_clipboard_history_position = 0;
    m_pending = true;
    m_keys_sent = false;
    m_timeout.start();

    QString error;
    if (m_previous_window != 0 &&
        !Platform::instance().active_window().activate(m_previous_window, &error))
        APP_LOG(QStringLiteral("The window to paste into cannot be activated: %1").arg(error));
    m_focus_polls_left = focus_wait_ms / m_focus_poll.interval();
    send_when_focused();
    APP_LOG(QStringLiteral("END slot_autocomplete_list_item_activated(QString str)"));
}

void AutocompletePaste::send_when_focused() {
    if (!m_pending)
        return;
    const quint64 active = Platform::instance().active_window().current();
    const bool focused = m_previous_window == 0 || active == m_previous_window;
    if (!focused && m_focus_polls_left-- > 0) {
        if (!m_focus_poll.isActive())
            m_focus_poll.start();
        return;
    }
    m_focus_poll.stop();
    if (!focused)
        APP_LOG(QStringLiteral("The window to paste into did not become active; pasting anyway"));
    APP_LOG(QStringLiteral("Calling SimulateCtrlV();"));
    m_keys_sent = true;
    m_timeout.start();
    m_app->SimulateCtrlV();
    APP_LOG(QStringLiteral("Called SimulateCtrlV();"));
}

void AutocompletePaste::key_reported(int key, int /*flags*/) {
    // Connected queued: by now the paste engine has handled the same report.
    if (m_pending && m_keys_sent && key == VirtualKeys::V)
        finish(QStringLiteral("pasted"));
}

void AutocompletePaste::finish(const QString& why) {
    if (!m_pending)
        return;
    m_pending = false;
    m_timeout.stop();
    m_focus_poll.stop();
    APP_LOG(QStringLiteral("Deleting the added element (%1)").arg(why));
    if (m_rich) {
        QList<QMimeData*>& history = m_app->m_corvana_clipboard_mime_data_history;
        const int at = history.indexOf(m_mime_entry);
        // Not found: a clear or the history's size limit has deleted it already.
        if (at >= 0)
            delete history.takeAt(at);
        m_mime_entry = nullptr;
    } else {
        QStringList& history = m_app->m_corvana_clipboard_text_history;
        const int at = !history.isEmpty() && history.first() == m_text_entry
                           ? 0
                           : history.indexOf(m_text_entry);
        if (at >= 0) {
            history.removeAt(at);
            m_app->m_secret_marks.remove(at);
        }
        m_text_entry.clear();
    }
    m_app->m_current_clipboard_history_position = m_position_before;
    m_app->update_status_indicator();
    APP_LOG(QStringLiteral("Deleted the added element"));
}
