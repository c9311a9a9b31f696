#pragma once

#include "clipboard/ClipboardHistory.h"

#include <QMimeData>
#include <QObject>
#include <QTimer>

#include <memory>

class ActiveWindow;
class ClipboardOwner;
class InputInjector;

// Pastes a chosen autocomplete entry through the ordinary paste path: the entry goes in front of
// the history, the window the user was in gets the focus back, a synthesized Ctrl+V reaches the
// paste engine, and afterwards history and position are as they were. Synthesized keys may come
// back only later from the event loop, so the entry stays in front until the paste engine has
// taken it, or until a time-out gives up and restores the state.
class AutocompletePaste : public QObject {
    Q_OBJECT
public:
    static constexpr int timeout_ms = 1500;
    static constexpr int focus_wait_ms = 400;

    AutocompletePaste(ClipboardHistory& history, ActiveWindow& active_window, ClipboardOwner& owner,
                      InputInjector& injector, QObject* parent = nullptr);

    // Called as a popup opens: the window to paste into later, unless it is one of ours.
    void remember_active_window();
    quint64 previous_window() const { return m_previous_window; }

    void paste(const QString& type, const QString& text, const QString& images_dir);
    bool pending() const { return m_pending; }

public slots:
    void key_reported(int key, int flags);

private:
    void send_when_focused();
    void finish(const QString& why);

    ClipboardHistory& m_history;
    ActiveWindow& m_active_window;
    ClipboardOwner& m_owner;
    InputInjector& m_injector;
    quint64 m_previous_window = 0;
    bool m_pending = false;
    bool m_keys_sent = false;
    int m_position_before = -1;
    ClipboardHistory::Front m_front;
    std::unique_ptr<QMimeData> m_to_serve; // until the keys go
    QTimer m_timeout;
    QTimer m_focus_poll;
    int m_focus_polls_left = 0;
};
