#pragma once

#include <QObject>
#include <QString>

class QMimeData;

// The system clipboard as the paste engine sees it: we serve an entry, and hear when the user
// copied somewhere else. How requests are answered, which clipboard changes are a program's
// echo of our own paste, and when the keyboard may go on, stay behind this interface.
class ClipboardOwner : public QObject {
    Q_OBJECT
public:
    struct Result {
        bool ok = true;
        QString error; // for the log
    };

    using QObject::QObject;
    ~ClipboardOwner() override = default;

    // Puts entry on the clipboard and answers every program that asks for it until another
    // program copies. Takes ownership of entry.
    virtual Result serve(QMimeData* entry) = 0;
    // Whether the clipboard is ours at the moment.
    virtual bool serving() const = 0;
    // The program is about to end: lets the desktop's clipboard manager, if one runs, keep a
    // copy of what we serve, so a paste still works afterwards. Waits at most timeout_ms.
    virtual bool hand_over(int timeout_ms) = 0;

    // Reports now a copy that was seen but whose report still waits in the event loop. The
    // paste engine calls it before it serves: a copy and a Ctrl+V handled in one batch of
    // events would otherwise serve first and leave the copy unreadable.
    void report_pending_copy();

signals:
    // Another program took the clipboard with new content: the user copied. A program setting
    // the clipboard to what it has just pasted from us is not reported.
    void copied();
    // The program that held the clipboard went away and took the content with it.
    void owner_gone();

protected:
    // Reports a copy from the event loop, once the event that showed it has been handled.
    void report_copy_later();

private:
    bool m_copy_pending = false;
};
