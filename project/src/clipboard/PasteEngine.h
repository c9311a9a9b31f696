#pragma once

struct AppSettings;
class ClipboardHistory;
class ClipboardOwner;
class MimeDataCopier;
class PendingPaste;
class QString;

// Ctrl+V: puts the entry at the paste position on the clipboard and moves the position by the
// paste order; also the hand-driven moves of the position and the choice of order.
class PasteEngine {
public:
    PasteEngine(ClipboardHistory& history, AppSettings& settings, ClipboardOwner& owner,
                MimeDataCopier& copier);

    // Asked first at every paste: a filled template row waiting is served instead of the queue.
    void set_pending(PendingPaste* pending) { m_pending = pending; }

    void paste();
    void go_back();
    void go_forward();
    void switch_order();
    // The mode box of the copy-paste page: "Automatic Forward", "Automatic Backward", "Manual".
    void set_mode(const QString& mode);
    int remaining() const;

private:
    ClipboardHistory& m_history;
    AppSettings& m_settings;
    ClipboardOwner& m_owner;
    MimeDataCopier& m_copier;
    PendingPaste* m_pending = nullptr;
};
