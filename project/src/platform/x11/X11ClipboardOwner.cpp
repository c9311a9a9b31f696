#include "X11ClipboardOwner.h"

#include "MonotonicClock.h"
#include "X11ClipboardHandoff.h"
#include "X11Connection.h"
#include "X11Property.h"
#include "clipboard/SecretContent.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QMimeData>
#include <QtDebug>

#include <xcb/xfixes.h>

#include <cstdlib>
#include <cstring>

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> Reply<T> reply(T* raw) {
    return Reply<T>(raw, &std::free);
}

bool newer_or_same(xcb_timestamp_t a, xcb_timestamp_t b) {
    // Server time wraps after 49 days.
    return int32_t(a - b) >= 0;
}

} // namespace

X11ClipboardOwner::X11ClipboardOwner(const X11Connection& x11, PasteHold& hold, QObject* parent)
    : ClipboardOwner(parent), m_hold(hold), m_x11(x11) {
    m_trace = qEnvironmentVariableIsSet("CORVANA_TRACE_CLIPBOARD");

    m_connection = x11.connection();
    if (!m_connection) {
        qWarning("X11ClipboardOwner: no X connection, pastes cannot be served");
        return;
    }
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    m_resource_mask = setup->resource_id_mask;
    m_transfers = std::make_unique<X11IncrTransfers>(m_connection, m_hold);
    connect(m_transfers.get(), &X11IncrTransfers::activity, this, &X11ClipboardOwner::activity);

    x11.intern({"CLIPBOARD", "TARGETS", "TIMESTAMP", "MULTIPLE", "INCR", "ATOM_PAIR", "UTF8_STRING",
                "TEXT", "STRING", "text/plain", "text/plain;charset=utf-8", "text/html",
                "text/uri-list", "image/png", "_CORVANA_ECHO", "WM_NAME"});
    m_clipboard = m_x11.atom("CLIPBOARD");
    m_targets = m_x11.atom("TARGETS");
    m_timestamp = m_x11.atom("TIMESTAMP");
    m_multiple = m_x11.atom("MULTIPLE");
    m_incr = m_x11.atom("INCR");
    m_atom_pair = m_x11.atom("ATOM_PAIR");
    m_utf8 = m_x11.atom("UTF8_STRING");
    m_echo_property = m_x11.atom("_CORVANA_ECHO");

    m_window = xcb_generate_id(m_connection);
    const uint32_t values[] = {1, XCB_EVENT_MASK_PROPERTY_CHANGE};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, x11.root(), -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    const QByteArray name("Corvana clipboard");
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, uint32_t(name.size()), name.constData());
    m_echo = std::make_unique<X11EchoCheck>(
        m_connection, m_window, X11EchoCheck::Atoms{m_clipboard, m_utf8, m_incr, m_echo_property},
        m_hold);
    connect(m_echo.get(), &X11EchoCheck::decided, this, &X11ClipboardOwner::echo_decided);

    if (x11.xfixes().present) {
        m_xfixes_event = x11.xfixes().first_event;
        xcb_xfixes_select_selection_input(
            m_connection, m_window, m_clipboard,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    } else {
        qWarning("X11ClipboardOwner: no XFixes, copies by other programs are not noticed");
    }
    xcb_flush(m_connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11ClipboardOwner::~X11ClipboardOwner() {
    if (!m_connection)
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    m_transfers.reset();
    xcb_destroy_window(m_connection, m_window);
    xcb_flush(m_connection);
}

quint32 X11ClipboardOwner::client_of(xcb_window_t window) const {
    return window & ~m_resource_mask;
}

quint32 X11ClipboardOwner::focus_client() const {
    if (!m_connection)
        return 0;
    auto focus =
        reply(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    // None and PointerRoot name no program.
    if (!focus || focus->focus <= XCB_INPUT_FOCUS_POINTER_ROOT)
        return 0;
    return client_of(focus->focus);
}

void X11ClipboardOwner::build_targets() {
    m_served_targets.clear();
    m_cache.clear();
    if (!m_entry)
        return;
    QStringList raw;
    const QStringList formats = m_entry->formats();
    for (const QString& format : formats) {
        // Qt's own image and colour formats are converted below; names without a slash are
        // X11 pseudo-targets a capture may have listed. The password manager mark has none but
        // goes out all the same: without it other clipboard tools record what we paste.
        const bool mark = format == QLatin1String(SecretContent::hint_format());
        if (!mark && (format.startsWith(QLatin1String("application/x-qt-")) ||
                      !format.contains(QLatin1Char('/')) || format == QLatin1String("text/plain") ||
                      format.startsWith(QLatin1String("text/plain;"))))
            continue;
        raw.append(format);
    }
    m_x11.intern(raw);
    if (m_entry->hasText()) {
        m_served_targets.append({m_utf8, m_utf8, Kind::Utf8, QString()});
        const xcb_atom_t charset = m_x11.atom("text/plain;charset=utf-8");
        m_served_targets.append({charset, charset, Kind::Utf8, QString()});
        m_served_targets.append({m_x11.atom("TEXT"), m_utf8, Kind::Utf8, QString()});
        m_served_targets.append({XCB_ATOM_STRING, XCB_ATOM_STRING, Kind::Latin1, QString()});
        const xcb_atom_t plain = m_x11.atom("text/plain");
        m_served_targets.append({plain, plain, Kind::Utf8, QString()});
    }
    for (const QString& format : raw) {
        const xcb_atom_t a = m_x11.atom(format);
        if (a != XCB_ATOM_NONE)
            m_served_targets.append({a, a, Kind::Raw, format});
    }
    if (m_entry->hasImage() && !raw.contains(QLatin1String("image/png"))) {
        const xcb_atom_t png = m_x11.atom("image/png");
        m_served_targets.append({png, png, Kind::Png, QString()});
    }
}

const X11ClipboardOwner::Target* X11ClipboardOwner::find_target(xcb_atom_t a) const {
    for (const Target& target : m_served_targets) {
        if (target.atom == a)
            return &target;
    }
    return nullptr;
}

QByteArray X11ClipboardOwner::bytes_for(const Target& target) {
    const auto cached = m_cache.constFind(target.atom);
    if (cached != m_cache.constEnd())
        return *cached;
    QByteArray bytes;
    switch (target.kind) {
    case Kind::Utf8:
        bytes = m_entry->text().toUtf8();
        break;
    case Kind::Latin1:
        bytes = m_entry->text().toLatin1();
        break;
    case Kind::Raw:
        bytes = m_entry->data(target.format);
        break;
    case Kind::Png: {
        // Encoded when first asked for, not while the paste key waits.
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        qvariant_cast<QImage>(m_entry->imageData()).save(&buffer, "PNG");
        break;
    }
    }
    m_cache.insert(target.atom, bytes);
    return bytes;
}

ClipboardOwner::Result X11ClipboardOwner::serve(QMimeData* entry) {
    m_entry.reset(entry);
    if (!m_connection)
        return {false, QStringLiteral("no X connection")};
    build_targets();
    m_hold.entry_served();
    // The key's time orders our claim among others, but the server ignores a claim older than
    // the selection's last change: then the current time has to do.
    const xcb_timestamp_t key_time = m_x11.time();
    const bool key_time_usable = key_time != XCB_CURRENT_TIME && m_last_change_known &&
                                 newer_or_same(key_time, m_last_change);
    if (key_time_usable && claim(key_time))
        return {};
    if (claim(XCB_CURRENT_TIME))
        return {};
    m_owned = false;
    return {false, QStringLiteral("the X server did not make us the clipboard owner")};
}

bool X11ClipboardOwner::hand_over(int timeout_ms) {
    if (m_hand_over_tried || !m_owned || !m_entry) // once: quitting may come twice
        return m_handed_over;
    QVector<xcb_atom_t> targets;
    for (const Target& target : m_served_targets)
        targets.append(target.atom);
    m_hand_over_tried = true;
    return m_handed_over = X11ClipboardHandoff(m_x11, m_window, targets).run(timeout_ms);
}

bool X11ClipboardOwner::claim(xcb_timestamp_t time) {
    xcb_set_selection_owner(m_connection, m_window, m_clipboard, time);
    auto owner = reply(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr));
    m_owned = owner && owner->owner == m_window;
    if (!m_owned)
        return false;
    m_claim_time = time;
    if (time == XCB_CURRENT_TIME) {
        m_last_change_known = false; // the XFixes report of our claim tells the time
    } else {
        m_last_change = time;
        m_last_change_known = true;
    }
    return true;
}

bool X11ClipboardOwner::nativeEventFilter(const QByteArray& event_type, void* message, long*) {
    if (event_type != "xcb_generic_event_t" || !m_connection)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    switch (type) {
    case XCB_SELECTION_REQUEST: {
        const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
        if (request->owner != m_window)
            return false;
        on_request(request);
        return true;
    }
    case XCB_SELECTION_CLEAR: {
        const auto* clear = reinterpret_cast<const xcb_selection_clear_event_t*>(event);
        if (clear->owner != m_window)
            return false;
        if (clear->selection == m_clipboard)
            m_owned = false;
        return true;
    }
    case XCB_PROPERTY_NOTIFY: {
        const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (property->window == m_window)
            return true;
        return property->state == XCB_PROPERTY_DELETE &&
               m_transfers->property_deleted(property->window, property->atom);
    }
    case XCB_SELECTION_NOTIFY: {
        const auto* notify = reinterpret_cast<const xcb_selection_notify_event_t*>(event);
        if (notify->requestor != m_window)
            return false;
        if (m_echo->waits_for(notify->time))
            m_echo->answer(notify->property);
        return true;
    }
    default:
        break;
    }
    if (m_xfixes_event != 0 && type == m_xfixes_event + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
        if (notify->window != m_window)
            return false; // Qt's own report
        if (notify->selection == m_clipboard)
            on_owner_change(notify->owner, notify->subtype, notify->selection_timestamp);
        return true;
    }
    return false;
}

void X11ClipboardOwner::change_property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type,
                                        uint8_t format, uint32_t length, const void* data) {
    X11Property::replace(m_connection, window, property, type, format, length, data);
}

void X11ClipboardOwner::notify(const xcb_selection_request_event_t* request, xcb_atom_t property) {
    xcb_selection_notify_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request->time;
    event.requestor = request->requestor;
    event.selection = request->selection;
    event.target = request->target;
    event.property = property;
    xcb_discard_reply(m_connection, xcb_send_event_checked(m_connection, 0, request->requestor,
                                                           XCB_EVENT_MASK_NO_EVENT,
                                                           reinterpret_cast<const char*>(&event))
                                        .sequence);
}

void X11ClipboardOwner::on_request(const xcb_selection_request_event_t* request) {
    const qint64 now = monotonic_ms();
    const quint32 client = client_of(request->requestor);
    // A requestor of old passes no property: the target names it then.
    const xcb_atom_t property =
        request->property != XCB_ATOM_NONE ? request->property : request->target;
    PasteHold::Request kind = PasteHold::Request::Refused;
    if (request->selection == m_clipboard && request->target == m_multiple &&
        request->property != XCB_ATOM_NONE) {
        // A list of (target, property) pairs in the property; each refused pair gets None.
        auto pairs = reply(
            xcb_get_property_reply(m_connection,
                                   xcb_get_property(m_connection, 0, request->requestor, property,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 1024),
                                   nullptr));
        if (pairs && pairs->format == 32) {
            const int count = xcb_get_property_value_length(pairs.get()) / 4;
            auto* values = static_cast<xcb_atom_t*>(xcb_get_property_value(pairs.get()));
            QVector<xcb_atom_t> answer(values, values + count);
            kind = PasteHold::Request::Formats;
            for (int i = 0; i + 1 < answer.size(); i += 2) {
                const PasteHold::Request one =
                    convert(request->requestor, answer[i], answer[i + 1], false, client);
                if (one == PasteHold::Request::Refused)
                    answer[i + 1] = XCB_ATOM_NONE;
                else if (one == PasteHold::Request::Data)
                    kind = one;
            }
            change_property(request->requestor, property, pairs->type, 32, uint32_t(answer.size()),
                            answer.constData());
        }
    } else if (request->selection == m_clipboard) {
        kind = convert(request->requestor, request->target, property, true, client);
    }
    notify(request, kind == PasteHold::Request::Refused ? xcb_atom_t(XCB_ATOM_NONE) : property);
    xcb_flush(m_connection);
    if (m_trace)
        qDebug("Clipboard: request for atom %u from client 0x%x at %lld: %s", request->target,
               client, now,
               kind == PasteHold::Request::Data      ? "data"
               : kind == PasteHold::Request::Formats ? "formats"
                                                     : "refused");
    m_hold.request(now, client, kind, is_slow_reader(request->requestor));
    emit activity();
}

bool X11ClipboardOwner::is_slow_reader(xcb_window_t requestor) {
    const auto known = m_slow_readers.constFind(requestor);
    if (known != m_slow_readers.constEnd())
        return *known;
    // Chromium (and programs built on it) read through a window of this name.
    auto name =
        reply(xcb_get_property_reply(m_connection,
                                     xcb_get_property(m_connection, 0, requestor, XCB_ATOM_WM_NAME,
                                                      XCB_GET_PROPERTY_TYPE_ANY, 0, 16),
                                     nullptr));
    const QByteArray text =
        name ? QByteArray(static_cast<const char*>(xcb_get_property_value(name.get())),
                          xcb_get_property_value_length(name.get()))
             : QByteArray();
    const bool slow =
        text.endsWith("clipboard") && (text.startsWith("Chromium") || text.startsWith("Chrome"));
    if (m_slow_readers.size() > 256)
        m_slow_readers.clear();
    m_slow_readers.insert(requestor, slow);
    return slow;
}

PasteHold::Request X11ClipboardOwner::convert(xcb_window_t requestor, xcb_atom_t target,
                                              xcb_atom_t property, bool allow_parts,
                                              quint32 client) {
    if (target == m_targets) {
        QVector<xcb_atom_t> list{m_targets, m_timestamp, m_multiple};
        for (const Target& served : m_served_targets)
            list.append(served.atom);
        change_property(requestor, property, XCB_ATOM_ATOM, 32, uint32_t(list.size()),
                        list.constData());
        return PasteHold::Request::Formats;
    }
    if (target == m_timestamp) {
        const xcb_timestamp_t time =
            m_claim_time != XCB_CURRENT_TIME ? m_claim_time : m_last_change;
        change_property(requestor, property, XCB_ATOM_INTEGER, 32, 1, &time);
        return PasteHold::Request::Formats;
    }
    const Target* served = find_target(target);
    if (!served || !m_entry)
        return PasteHold::Request::Refused;
    const QByteArray bytes = bytes_for(*served);
    if (served->kind == Kind::Utf8 || served->kind == Kind::Latin1)
        m_echo->remember_text(client, m_entry->text().toUtf8());
    if (bytes.size() <= m_transfers->part_size()) {
        change_property(requestor, property, served->type, 8, uint32_t(bytes.size()),
                        bytes.constData());
        return PasteHold::Request::Data;
    }
    if (!allow_parts)
        return PasteHold::Request::Refused;
    m_transfers->start(requestor, property, served->type, m_incr, bytes, client);
    return PasteHold::Request::Data;
}

void X11ClipboardOwner::on_owner_change(xcb_window_t owner, uint8_t subtype,
                                        xcb_timestamp_t timestamp) {
    if (subtype == XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER) {
        m_last_change = timestamp;
        m_last_change_known = true;
    }
    if (owner == m_window)
        return;
    m_owned = false;
    m_echo->cancel();
    // We are ending: this is the clipboard manager taking what we handed over, no copy. Read as
    // one it would be recorded again, without the secret mark if the manager kept only the text.
    if (m_hand_over_tried)
        return;
    if (owner == XCB_NONE) {
        // Reported after Qt has handled the same change, so a reader sees the new state.
        QMetaObject::invokeMethod(this, &ClipboardOwner::owner_gone, Qt::QueuedConnection);
        return;
    }
    // The program we just served took the clipboard: an echo if it holds what we served.
    if (m_echo->start(client_of(owner), timestamp))
        return;
    drop_entry();
    report_copy_later();
}

void X11ClipboardOwner::echo_decided(bool echo) {
    if (echo) {
        qDebug("Clipboard: a program set the clipboard to what it had just pasted; not a copy");
        // Its claim may have come after we served the next entry: take the clipboard back.
        if (m_entry && claim(XCB_CURRENT_TIME))
            xcb_flush(m_connection);
        emit activity();
        return;
    }
    // A paste of ours since then has replaced what that program held: nothing to capture.
    if (m_owned)
        return;
    drop_entry();
    report_copy_later();
}

void X11ClipboardOwner::drop_entry() {
    // Replaced by another program's copy: let it go now, and the file snapshots it holds with
    // it, rather than at our next paste. Transfers in progress keep their own bytes.
    m_entry.reset();
    m_served_targets.clear();
    m_cache.clear();
}
