#pragma once

#include "X11EchoCheck.h"
#include "X11IncrTransfers.h"
#include "platform/ClipboardOwner.h"
#include "platform/PasteHold.h"

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QHash>
#include <QVector>

#include <xcb/xcb.h>

#include <memory>

class QMimeData;
class X11Connection;

// Serves CLIPBOARD from a window of our own on Qt's connection, so that every request is
// answered by us, whatever its time stamp (Chromium sends CurrentTime, GTK its own clock), and
// every request is seen by the paste hold. Large data goes out in parts (INCR). Other programs'
// claims are reported as copies unless they echo what we have just served.
class X11ClipboardOwner : public ClipboardOwner, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    X11ClipboardOwner(const X11Connection& x11, PasteHold& hold, QObject* parent = nullptr);
    ~X11ClipboardOwner() override;

    Result serve(QMimeData* entry) override;
    bool serving() const override { return m_owned; }
    bool hand_over(int timeout_ms) override;

    // The X client a window belongs to.
    quint32 client_of(xcb_window_t window) const;
    // The client that has the keyboard focus, 0 when there is none.
    quint32 focus_client() const;

    bool nativeEventFilter(const QByteArray& event_type, void* message, long* result) override;

signals:
    // A request was answered or a transfer moved: a held paste may be due.
    void activity();

private:
    enum class Kind { Utf8, Latin1, Raw, Png };
    struct Target {
        xcb_atom_t atom;
        xcb_atom_t type;
        Kind kind;
        QString format;
    };

    void build_targets();
    const Target* find_target(xcb_atom_t atom) const;
    QByteArray bytes_for(const Target& target);
    bool claim(xcb_timestamp_t time);

    void on_request(const xcb_selection_request_event_t* request);
    // Writes one target into property. May start a transfer in parts.
    PasteHold::Request convert(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property,
                               bool allow_parts, quint32 client);
    void notify(const xcb_selection_request_event_t* request, xcb_atom_t property);
    void on_owner_change(xcb_window_t owner, uint8_t subtype, xcb_timestamp_t timestamp);
    void echo_decided(bool echo);
    void drop_entry();
    bool is_slow_reader(xcb_window_t requestor);
    void change_property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type, uint8_t format,
                         uint32_t length, const void* data);

    PasteHold& m_hold;
    const X11Connection& m_x11;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_window = 0;
    uint32_t m_resource_mask = 0;
    uint8_t m_xfixes_event = 0;
    xcb_atom_t m_clipboard = 0, m_targets = 0, m_timestamp = 0, m_multiple = 0, m_incr = 0,
               m_atom_pair = 0, m_utf8 = 0, m_echo_property = 0;

    std::unique_ptr<QMimeData> m_entry;
    QVector<Target> m_served_targets;
    QHash<xcb_atom_t, QByteArray> m_cache;
    bool m_owned = false;
    bool m_handed_over = false;
    bool m_hand_over_tried = false;
    bool m_trace = false; // every request to the debug log
    xcb_timestamp_t m_claim_time = 0;
    xcb_timestamp_t m_last_change = 0;
    bool m_last_change_known = true;

    QHash<xcb_window_t, bool> m_slow_readers;
    std::unique_ptr<X11IncrTransfers> m_transfers;
    std::unique_ptr<X11EchoCheck> m_echo;
};
