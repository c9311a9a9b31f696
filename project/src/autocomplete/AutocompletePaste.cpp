#include "autocomplete/AutocompletePaste.h"

#include "autocomplete/ImageEntryFile.h"
#include "clipboard/PictureDecoder.h"
#include "clipboard/SyntheticPaste.h"
#include "common/AppLog.h"
#include "platform/ActiveWindow.h"
#include "platform/ClipboardOwner.h"
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

AutocompletePaste::AutocompletePaste(ClipboardHistory& history, ActiveWindow& active_window,
                                     ClipboardOwner& owner, InputInjector& injector,
                                     QObject* parent)
    : QObject(parent), m_history(history), m_active_window(active_window), m_owner(owner),
      m_injector(injector) {
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
    const quint64 active = m_active_window.current();
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
    m_position_before = m_history.position();
    // Only an image entry is a picture; a text that happens to name a file stays a text.
    const QString path = m_history.rich() && type == QLatin1String("image")
                             ? ImageEntryFile::path(images_dir, text)
                             : QString();
    const QImage image = path.isEmpty() ? QImage() : PictureDecoder::decode_file(path);
    qDebug() << (image.isNull() ? "Pasting a text" : "Pasting an image");
    const auto make_entry = [&] {
        auto* entry = new QMimeData;
        if (image.isNull())
            entry->setText(text);
        else
            entry->setImageData(image);
        return entry;
    };
    m_front = m_history.push_front(text, m_history.rich() ? make_entry() : nullptr);
    m_to_serve.reset(make_entry());
    APP_LOG(QStringLiteral("Added element to vector"));
    m_history.set_position(0);
    m_pending = true;
    m_keys_sent = false;
    m_timeout.start();

    QString error;
    if (m_previous_window != 0 && !m_active_window.activate(m_previous_window, &error))
        APP_LOG(QStringLiteral("The window to paste into cannot be activated: %1").arg(error));
    m_focus_polls_left = focus_wait_ms / m_focus_poll.interval();
    send_when_focused();
    APP_LOG(QStringLiteral("END slot_autocomplete_list_item_activated(QString str)"));
}

void AutocompletePaste::send_when_focused() {
    if (!m_pending)
        return;
    const quint64 active = m_active_window.current();
    const bool focused = m_previous_window == 0 || active == m_previous_window;
    if (!focused && m_focus_polls_left-- > 0) {
        if (!m_focus_poll.isActive())
            m_focus_poll.start();
        return;
    }
    m_focus_poll.stop();
    if (!focused)
        APP_LOG(QStringLiteral("The window to paste into did not become active; pasting anyway"));
    // The entry is on the clipboard before the keys go: where the system lets a synthesized key
    // through before it is reported (Windows), the program reads the clipboard at once. The
    // paste engine serves it again when the key is reported.
    if (m_to_serve) {
        const ClipboardOwner::Result served = m_owner.serve(m_to_serve.release());
        if (!served.ok)
            APP_LOG(QStringLiteral("The entry could not be put on the clipboard: ") + served.error);
    }
    APP_LOG(QStringLiteral("Calling SimulateCtrlV();"));
    m_keys_sent = true;
    m_timeout.start();
    SyntheticPaste::ctrl_v(m_injector);
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
    m_to_serve.reset();
    APP_LOG(QStringLiteral("Deleting the added element (%1)").arg(why));
    m_history.take_back(m_front);
    m_history.set_position(m_position_before);
    APP_LOG(QStringLiteral("Deleted the added element"));
}
