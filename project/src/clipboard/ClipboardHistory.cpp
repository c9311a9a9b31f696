#include "clipboard/ClipboardHistory.h"

#include "clipboard/CapturedMimeData.h"
#include "clipboard/MimeDataCopier.h"
#include "clipboard/SecretContent.h"
#include "common/AppSettings.h"

#include <QDebug>
#include <QMimeData>
#include <type_traits>

ClipboardHistory::ClipboardHistory(HistoryState& state, const AppSettings& settings)
    : m_state(state), m_settings(settings) {}

bool ClipboardHistory::rich() const {
    return m_settings.m_rich_text_copy_enabled;
}

int ClipboardHistory::size() const {
    return rich() ? m_state.m_corvana_clipboard_mime_data_history.size()
                  : m_state.m_corvana_clipboard_text_history.size();
}

void ClipboardHistory::set_position(int position) {
    m_state.m_current_clipboard_history_position = position;
    emit changed();
}

void ClipboardHistory::prepare_for_capture() {
    int& p = m_state.m_current_clipboard_history_position;
    if (size() == 0)
        p = -1;
    if (m_settings.m_paste_order == QLatin1String("backward") &&
        m_settings.m_automatic_position_movement)
        ++p;
}

template <typename T>
void ClipboardHistory::insert_entry(QList<T>& history, const T& entry, bool secret) {
    int& p = m_state.m_current_clipboard_history_position;
    const auto index = PasteQueue::insertion_index(
        m_settings.m_paste_order, m_settings.m_automatic_position_movement, p, history.size());
    if (!index) {
        if constexpr (std::is_pointer_v<T>)
            delete entry;
        return;
    }
    history.insert(*index, entry);
    if constexpr (!std::is_pointer_v<T>)
        m_state.m_secret_marks.insert(*index, secret);
    if (history.size() > max_size) {
        const auto drop =
            PasteQueue::drop_oldest(m_settings.m_paste_order, *index, p, history.size());
        p = drop.position;
        if constexpr (std::is_pointer_v<T>) {
            delete history.takeAt(drop.index);
        } else {
            m_state.m_secret_marks.remove(drop.index);
            history.removeAt(drop.index);
        }
    }
    emit changed();
}

void ClipboardHistory::add_text(const QString& text, bool secret) {
    insert_entry(m_state.m_corvana_clipboard_text_history, text, secret);
}

void ClipboardHistory::add_mime(QMimeData* entry) {
    insert_entry(m_state.m_corvana_clipboard_mime_data_history, entry, false);
}

void ClipboardHistory::add_made_text(const QString& text, bool secret) {
    if (!rich())
        return add_text(text, secret);
    auto* entry = new QMimeData;
    entry->setText(text);
    if (secret)
        SecretContent::mark(entry);
    add_mime(entry);
}

bool ClipboardHistory::holds(const QMimeData* entry) const {
    return m_state.m_corvana_clipboard_mime_data_history.contains(const_cast<QMimeData*>(entry));
}

void ClipboardHistory::clear() {
    qDeleteAll(m_state.m_corvana_clipboard_mime_data_history);
    m_state.m_corvana_clipboard_mime_data_history.clear();
    m_state.m_corvana_clipboard_text_history.clear();
    m_state.m_secret_marks.clear();
    m_state.m_current_clipboard_history_position = -1;
    emit changed();
}

std::optional<PasteQueue::Step> ClipboardHistory::peek() const {
    return PasteQueue::paste_step(
        m_settings.m_paste_order, rich(), m_settings.m_automatic_position_movement,
        m_state.m_position_locked, m_state.m_current_clipboard_history_position, size());
}

std::optional<PasteQueue::Step> ClipboardHistory::advance() {
    int& p = m_state.m_current_clipboard_history_position;
    if (p < 0)
        p = 0;
    if (size() == 0)
        return std::nullopt;
    const auto step = peek();
    if (step) {
        p = step->position;
        emit changed();
    }
    return step;
}

QMimeData* ClipboardHistory::entry_for_paste(int index, MimeDataCopier& copier) const {
    if (rich())
        return copier.copy_for_paste(m_state.m_corvana_clipboard_mime_data_history.at(index));
    const QString& text = m_state.m_corvana_clipboard_text_history.at(index);
    if (text.contains(QLatin1String("file:///")))
        return nullptr;
    qDebug().noquote() << "Text to paste: " << text.size() << "characters";
    auto* entry = new QMimeData;
    entry->setText(text);
    // The mark kept beside the text goes out with it: other clipboard tools must not record it.
    if (m_state.m_secret_marks.is_secret(index))
        SecretContent::mark(entry);
    return entry;
}

bool ClipboardHistory::is_secret(int index) const {
    return rich()
               ? SecretContent::is_secret(m_state.m_corvana_clipboard_mime_data_history.at(index))
               : m_state.m_secret_marks.is_secret(index);
}

QString ClipboardHistory::label(int index) const {
    if (!rich())
        return m_state.m_corvana_clipboard_text_history.at(index);
    const QMimeData* entry = m_state.m_corvana_clipboard_mime_data_history.at(index);
    return entry->hasImage() ? QStringLiteral("Image Data") : entry->text();
}

const QMimeData* ClipboardHistory::mime_at(int index) const {
    const auto& history = m_state.m_corvana_clipboard_mime_data_history;
    return rich() && index >= 0 && index < history.size() ? history.at(index) : nullptr;
}

void ClipboardHistory::remove_at(int index) {
    if (rich())
        delete m_state.m_corvana_clipboard_mime_data_history.takeAt(index);
    else
        m_state.m_corvana_clipboard_text_history.removeAt(index);
    m_state.m_secret_marks.remove(index);
    emit changed();
}

void ClipboardHistory::move(int take, int insert,
                            const std::function<QMimeData*(const QMimeData*)>& recopy) {
    if (rich()) {
        QList<QMimeData*>& history = m_state.m_corvana_clipboard_mime_data_history;
        QMimeData* moved = history.takeAt(take);
        history.insert(insert, recopy(moved));
        delete moved;
    } else {
        QStringList& history = m_state.m_corvana_clipboard_text_history;
        history.insert(insert, history.takeAt(take));
        m_state.m_secret_marks.move(take, insert);
    }
}

std::optional<QString> ClipboardHistory::take_text(int index) {
    QString text;
    if (rich()) {
        QList<QMimeData*>& history = m_state.m_corvana_clipboard_mime_data_history;
        if (!history.at(index)->hasText())
            return std::nullopt;
        QMimeData* entry = history.takeAt(index);
        text = entry->text();
        delete entry;
    } else {
        text = m_state.m_corvana_clipboard_text_history.takeAt(index);
        m_state.m_secret_marks.remove(index);
    }
    emit changed();
    return text;
}

ClipboardHistory::Front ClipboardHistory::push_front(const QString& text, QMimeData* rich_entry) {
    Front front;
    front.rich = rich();
    if (front.rich) {
        front.mime = rich_entry;
        m_state.m_corvana_clipboard_mime_data_history.prepend(rich_entry);
    } else {
        delete rich_entry;
        front.text = text;
        m_state.m_corvana_clipboard_text_history.prepend(text);
        m_state.m_secret_marks.insert(0, false);
    }
    return front;
}

void ClipboardHistory::take_back(Front& front) {
    if (front.rich) {
        QList<QMimeData*>& history = m_state.m_corvana_clipboard_mime_data_history;
        const int at = history.indexOf(front.mime);
        // Not found: a clear or the size limit has deleted it already.
        if (at >= 0)
            delete history.takeAt(at);
        front.mime = nullptr;
    } else {
        QStringList& history = m_state.m_corvana_clipboard_text_history;
        const int at =
            !history.isEmpty() && history.first() == front.text ? 0 : history.indexOf(front.text);
        if (at >= 0) {
            history.removeAt(at);
            m_state.m_secret_marks.remove(at);
        }
        front.text.clear();
    }
}

bool ClipboardHistory::lock() {
    if (m_state.m_position_locked)
        return false; // locking again would lose the position that unlocking returns to
    m_state.m_position_locked = true;
    m_state.m_saved_position = m_state.m_current_clipboard_history_position;
    emit lock_changed(true);
    return true;
}

bool ClipboardHistory::unlock() {
    if (!m_state.m_position_locked)
        return false;
    m_state.m_position_locked = false;
    m_state.m_current_clipboard_history_position = m_state.m_saved_position;
    emit lock_changed(false);
    emit changed();
    return true;
}
