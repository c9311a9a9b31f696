#pragma once

#include "platform/ClipboardOwner.h"

#include <QByteArray>
#include <QHash>
#include <QTimer>
#include <QVector>

#include <memory>

class PasteHold;
class QMimeData;
class WinMessageWindow;

// Serves entries from a window of our own with delayed rendering: every format is announced
// empty and rendered when a program asks (WM_RENDERFORMAT), which is also how the paste hold
// learns that the program pasted into has read it. Our own writes are marked so that Windows'
// clipboard history and cloud clipboard do not keep them. Other programs' changes come from the
// clipboard format listener and are reported as copies unless they echo what we just gave.
class WinClipboardOwner : public ClipboardOwner {
    Q_OBJECT
public:
    explicit WinClipboardOwner(PasteHold& hold, QObject* parent = nullptr);
    ~WinClipboardOwner() override;

    Result serve(QMimeData* entry) override;
    bool serving() const override { return m_owned; }
    bool hand_over(int timeout_ms) override;

signals:
    // A program read what we serve: a held paste may be due.
    void activity();

private:
    enum class Kind { UnicodeText, Html, Png, Dib, Files, Raw };
    struct Format {
        unsigned id = 0;
        Kind kind = Kind::Raw;
        QString mime; // for Raw
    };

    bool on_message(unsigned message, quintptr wparam, qintptr lparam, qintptr* result);
    QByteArray bytes_for(const Format& format);
    bool render(unsigned id);
    void render_all(bool check_owner);
    void on_clipboard_update();
    void check_listener();
    void listen(bool on);

    PasteHold& m_hold;
    std::unique_ptr<WinMessageWindow> m_window;
    std::unique_ptr<QMimeData> m_entry;
    QVector<Format> m_formats;
    QVector<unsigned> m_rendered;
    bool m_owned = false;
    quint32 m_own_sequence = 0;  // the clipboard's sequence number after our last write
    quint32 m_seen_sequence = 0; // the last one the listener told us about
    QTimer m_listener_check;
    QHash<quint32, QByteArray> m_text_given; // the text each process last got from us
};
