#pragma once

#include "clipboard/HistoryState.h"
#include "clipboard/PasteQueue.h"

#include <QObject>
#include <functional>
#include <optional>

struct AppSettings;
class MimeDataCopier;
class QMimeData;

// The queue of copied entries: the history in use (mime data in rich-text mode, plain text
// otherwise), the paste position and the lock. Every change of the lists goes through here, so
// the choice between the two lists is made in one place and the secret marks follow the texts.
class ClipboardHistory : public QObject {
    Q_OBJECT
public:
    static constexpr int max_size = 100;

    // An entry put in front for one paste, to be taken back afterwards.
    struct Front {
        QMimeData* mime = nullptr;
        QString text;
        bool rich = false;
    };

    ClipboardHistory(HistoryState& state, const AppSettings& settings);

    bool rich() const;
    int size() const;
    int position() const { return m_state.m_current_clipboard_history_position; }
    void set_position(int position);
    bool locked() const { return m_state.m_position_locked; }
    const HistoryState& state() const { return m_state; }

    // Capture: a new entry goes where the paste order puts it; the oldest goes past the limit.
    void prepare_for_capture();
    void add_text(const QString& text, bool secret = false);
    void add_mime(QMimeData* entry); // takes ownership
    // A text made here (a filled template row), into whichever list is in use; secret when made
    // from a secret entry.
    void add_made_text(const QString& text, bool secret = false);
    bool holds(const QMimeData* entry) const;
    void clear();

    // The entry the next paste takes, the position moved past it; nullopt when none.
    std::optional<PasteQueue::Step> advance();
    // The same step without moving.
    std::optional<PasteQueue::Step> peek() const;
    // What to put on the clipboard for the entry at index; null for a text naming files.
    QMimeData* entry_for_paste(int index, MimeDataCopier& copier) const;

    // Rows of the history popup.
    bool is_secret(int index) const;
    QString label(int index) const;
    const QMimeData* mime_at(int index) const;
    void remove_at(int index);
    // recopy makes the moved mime entry anew (its snapshots follow it).
    void move(int take, int insert, const std::function<QMimeData*(const QMimeData*)>& recopy);
    // Removes a text entry and gives its text; nullopt (entry kept) when it holds no text.
    std::optional<QString> take_text(int index);

    // One entry in front of the queue for one paste, then gone again.
    Front push_front(const QString& text, QMimeData* rich_entry);
    void take_back(Front& front);

    // Locking pins the position; unlocking returns to the one saved at the lock.
    bool lock();
    bool unlock();

signals:
    void changed();
    void lock_changed(bool locked);

private:
    template <typename T> void insert_entry(QList<T>& history, const T& entry, bool secret);

    HistoryState& m_state;
    const AppSettings& m_settings;
};
