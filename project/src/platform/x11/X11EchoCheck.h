#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <xcb/xcb.h>

class PasteHold;

// Some programs put what they have just pasted back on the clipboard. Such a claim is not a
// copy: when the program we just served takes the clipboard, we ask it for its text and compare
// it with the text it got from us. An owner that does not answer in time is taken as a copy.
class X11EchoCheck : public QObject {
    Q_OBJECT
public:
    struct Atoms {
        xcb_atom_t clipboard;
        xcb_atom_t utf8;
        xcb_atom_t incr;
        xcb_atom_t property; // where the owner's answer goes, on our window
    };

    X11EchoCheck(xcb_connection_t* connection, xcb_window_t window, const Atoms& atoms,
                 PasteHold& hold);

    // The text a client got from us in its last paste.
    void remember_text(quint32 client, const QByteArray& text);
    // A new owner took the clipboard at time: false when it cannot be an echo (it is a copy);
    // otherwise its text is asked for and decided() follows.
    bool start(quint32 client, xcb_timestamp_t time);
    void cancel();
    // Our window's SelectionNotify of that time is the owner's answer.
    bool waits_for(xcb_timestamp_t time) const { return m_pending && time == m_time; }
    void answer(xcb_atom_t property);
    quint32 client() const { return m_client; }

signals:
    void decided(bool echo);

private:
    void finish(bool echo);

    xcb_connection_t* m_connection;
    xcb_window_t m_window;
    Atoms m_atoms;
    PasteHold& m_hold;
    QHash<quint32, QByteArray> m_text_given;
    bool m_pending = false;
    quint32 m_client = 0;
    xcb_timestamp_t m_time = 0;
    QTimer m_timer;
};
