#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <xcb/xcb.h>

#include <vector>

class PasteHold;

// Data too large for one property goes out in parts (the INCR protocol): the size is announced,
// then each time the requestor deletes the property the next part is written, and an empty part
// ends it. A requestor that stops reading is given up after a while.
class X11IncrTransfers : public QObject {
    Q_OBJECT
public:
    X11IncrTransfers(xcb_connection_t* connection, PasteHold& hold);
    ~X11IncrTransfers() override;

    // The largest part written at once; anything larger needs a transfer.
    int part_size() const { return m_part_size; }

    void start(xcb_window_t requestor, xcb_atom_t property, xcb_atom_t type, xcb_atom_t incr,
               const QByteArray& bytes, quint32 client);
    // A property of a requestor was deleted: true when it belonged to a transfer, which then
    // went on by one part.
    bool property_deleted(xcb_window_t window, xcb_atom_t property);

signals:
    // A transfer moved or ended: a held paste may be due.
    void activity();

private:
    struct Transfer {
        xcb_window_t window;
        xcb_atom_t property;
        xcb_atom_t type;
        QByteArray data;
        int offset;
        quint32 client;
        qint64 last_step;
    };

    void drop_stale();
    void unwatch_unless_busy(xcb_window_t window);

    xcb_connection_t* m_connection;
    PasteHold& m_hold;
    int m_part_size = 256 * 1024;
    std::vector<Transfer> m_transfers;
    QTimer m_timer;
};
