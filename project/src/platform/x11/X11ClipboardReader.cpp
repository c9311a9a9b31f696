#include "X11ClipboardReader.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtDebug>

#include <poll.h>

#include <cstdlib>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto owner_check_interval = std::chrono::milliseconds(100);

template <typename T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

// Targets that are part of the selection protocol, not content.
bool is_protocol_target(const QString& name) {
    static const QStringList names = {
        QStringLiteral("TARGETS"),
        QStringLiteral("MULTIPLE"),
        QStringLiteral("TIMESTAMP"),
        QStringLiteral("SAVE_TARGETS"),
        QStringLiteral("DELETE"),
        QStringLiteral("INSERT_SELECTION"),
        QStringLiteral("INSERT_PROPERTY"),
        QStringLiteral("CLIPBOARD_MANAGER"),
        QStringLiteral("_QT_SELECTION"),
        QStringLiteral("_GTK_SELECTION_ATOM"),
        QStringLiteral("ATOM_PAIR"),
        QStringLiteral("LENGTH"),
        QStringLiteral("CLIENT_WINDOW"),
        QStringLiteral("HOST_NAME"),
        QStringLiteral("USER"),
        QStringLiteral("PROCESS"),
        QStringLiteral("TASK"),
        QStringLiteral("OWNER_OS"),
        QStringLiteral("NAME"),
        QStringLiteral("CLASS"),
    };
    return names.contains(name);
}

// The text encodings, best first; all of them are one "text/plain".
const QStringList& text_targets() {
    static const QStringList names = {
        QStringLiteral("UTF8_STRING"), QStringLiteral("text/plain;charset=utf-8"),
        QStringLiteral("text/plain"),  QStringLiteral("STRING"),
        QStringLiteral("TEXT"),        QStringLiteral("COMPOUND_TEXT"),
    };
    return names;
}

} // namespace

X11ClipboardReader::X11ClipboardReader(std::function<int()> abort_fd,
                                       std::function<bool()> we_serve)
    : m_abort_fd(std::move(abort_fd)), m_we_serve(std::move(we_serve)) {}

X11ClipboardReader::~X11ClipboardReader() {
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool X11ClipboardReader::connect_once(QString* error) {
    if (m_connection && !xcb_connection_has_error(m_connection))
        return true;
    if (m_connection) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        m_atoms.clear();
        m_names.clear();
    }
    int screen_number = 0;
    m_connection = xcb_connect(nullptr, &screen_number);
    if (xcb_connection_has_error(m_connection)) {
        *error = QStringLiteral("cannot connect to the X server to read the clipboard");
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return false;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screen_number && screens.rem; ++i)
        xcb_screen_next(&screens);
    m_window = xcb_generate_id(m_connection);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screens.data->root, 0, 0, 1, 1,
                      0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    xcb_flush(m_connection);
    return true;
}

xcb_atom_t X11ClipboardReader::atom(const QString& name) {
    const auto known = m_atoms.constFind(name);
    if (known != m_atoms.constEnd())
        return *known;
    const QByteArray latin = name.toLatin1();
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(latin.size()), latin.constData()),
        nullptr));
    const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    if (value != XCB_ATOM_NONE) {
        m_atoms.insert(name, value);
        m_names.insert(value, name);
    }
    return value;
}

QString X11ClipboardReader::atom_name(xcb_atom_t value) {
    const auto known = m_names.constFind(value);
    if (known != m_names.constEnd())
        return *known;
    Reply<xcb_get_atom_name_reply_t> reply(
        xcb_get_atom_name_reply(m_connection, xcb_get_atom_name(m_connection, value), nullptr));
    if (!reply)
        return QString();
    const QString name = QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                             xcb_get_atom_name_name_length(reply.get()));
    m_names.insert(value, name);
    m_atoms.insert(name, value);
    return name;
}

xcb_window_t X11ClipboardReader::current_owner() {
    Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, atom(QStringLiteral("CLIPBOARD"))),
        nullptr));
    return reply ? reply->owner : xcb_window_t(XCB_NONE);
}

ClipboardReader::Offer X11ClipboardReader::offer() {
    Offer result;
    m_offered.clear();
    m_local = false;
    m_capture_deadline = Clock::now() + capture_timeout;
    m_budget = capture_max_bytes;
    if (!connect_once(&result.error))
        return result;
    // Asking ourselves over the wire would wait on our own busy thread.
    if (m_we_serve && m_we_serve()) {
        result.error = QStringLiteral("a paste took the clipboard back before it was read");
        return result;
    }
    if (QGuiApplication::clipboard()->ownsClipboard()) {
        m_local = true;
        if (const QMimeData* data = QGuiApplication::clipboard()->mimeData())
            result.formats = data->formats();
        result.ok = true;
        return result;
    }
    m_owner = current_owner();
    if (m_owner == XCB_NONE) {
        result.ok = true;
        return result;
    }
    xcb_atom_t type = XCB_ATOM_NONE;
    const Data targets = convert(atom(QStringLiteral("TARGETS")), &type);
    if (!targets.ok) {
        result.error = QStringLiteral("no list of formats: ") + targets.error;
        return result;
    }
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(targets.bytes.constData());
    const int count = targets.bytes.size() / int(sizeof(xcb_atom_t));
    QHash<QString, xcb_atom_t> texts;
    for (int i = 0; i < count; ++i) {
        const QString name = atom_name(atoms[i]);
        if (name.isEmpty() || is_protocol_target(name))
            continue;
        if (text_targets().contains(name)) {
            texts.insert(name, atoms[i]);
            continue;
        }
        if (!m_offered.contains(name)) {
            m_offered.insert(name, atoms[i]);
            result.formats.append(name);
        }
    }
    for (const QString& name : text_targets()) {
        if (texts.contains(name)) {
            m_offered.insert(QStringLiteral("text/plain"), texts.value(name));
            result.formats.prepend(QStringLiteral("text/plain"));
            break;
        }
    }
    result.ok = true;
    return result;
}

ClipboardReader::Data X11ClipboardReader::fetch(const QString& format) {
    Data result;
    if (m_local) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        result.ok = data && data->hasFormat(format);
        if (result.ok)
            result.bytes = data->data(format);
        else
            result.error = QStringLiteral("%1 is not offered").arg(format);
        return result;
    }
    const xcb_atom_t target = m_offered.value(format, XCB_ATOM_NONE);
    if (target == XCB_ATOM_NONE || !m_connection) {
        result.error = QStringLiteral("%1 is not offered").arg(format);
        return result;
    }
    xcb_atom_t type = XCB_ATOM_NONE;
    result = convert(target, &type);
    if (result.ok && format == QLatin1String("text/plain") && type == XCB_ATOM_STRING)
        result.bytes = QString::fromLatin1(result.bytes).toUtf8();
    return result;
}

xcb_atom_t X11ClipboardReader::read_property_atom() {
    return atom(QStringLiteral("CORVANA_CLIPBOARD_READ%1").arg(m_property));
}

ClipboardReader::Data X11ClipboardReader::convert(xcb_atom_t target, xcb_atom_t* type) {
    Data result;
    if (Clock::now() >= m_capture_deadline) {
        result.error = QStringLiteral("the capture's %1 ms were over").arg(capture_timeout.count());
        return result;
    }
    const xcb_atom_t property = read_property_atom();
    xcb_delete_property(m_connection, m_window, property);
    xcb_convert_selection(m_connection, m_window, atom(QStringLiteral("CLIPBOARD")), target,
                          property, XCB_CURRENT_TIME);
    xcb_flush(m_connection);

    xcb_atom_t answered = XCB_ATOM_NONE;
    const Wait waited = wait_for(
        [this, &answered](xcb_generic_event_t* event) {
            if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
                return false;
            const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
            if (notify->requestor != m_window)
                return false;
            answered = notify->property;
            return true;
        },
        std::min(Clock::now() + request_timeout, m_capture_deadline));
    switch (waited) {
    case Wait::Ready:
        break;
    case Wait::TimedOut:
        result.error = QStringLiteral("the owner did not answer in time");
        return result;
    case Wait::Aborted:
        result.error = QStringLiteral("given up: the program is ending");
        return result;
    case Wait::OwnerGone:
        result.error = QStringLiteral("the owner went away");
        return result;
    case Wait::Broken:
        result.error = QStringLiteral("the connection to the X server broke");
        return result;
    }
    if (answered == XCB_ATOM_NONE) {
        result.error = QStringLiteral("the owner refused the request");
        return result;
    }
    result.ok = read_property(&result.bytes, type, &result.error);
    if (result.ok) {
        m_budget -= result.bytes.size();
    } else {
        // An owner still sending into the old property must not answer a later request.
        m_property = (m_property + 1) % 8;
        result.bytes.clear();
    }
    return result;
}

bool X11ClipboardReader::read_property(QByteArray* bytes, xcb_atom_t* type, QString* error) {
    const xcb_atom_t property = read_property_atom();
    const QString too_large =
        QStringLiteral("more than the capture's %1 bytes").arg(capture_max_bytes);
    // Reads no more than the budget allows: an answer beyond it is left on the server.
    const auto get = [this, property, bytes](xcb_atom_t* got_type, QByteArray* into, bool* over) {
        const qint64 room = std::max<qint64>(0, m_budget - bytes->size());
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 1, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             uint32_t(room / 4 + 1)),
            nullptr));
        if (!reply)
            return false;
        *got_type = reply->type;
        const int length = xcb_get_property_value_length(reply.get());
        *over = reply->bytes_after > 0 || length > room;
        if (!*over)
            into->append(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
        return true;
    };
    bool over = false;
    if (!get(type, bytes, &over)) {
        *error = QStringLiteral("the answer could not be read");
        return false;
    }
    if (over) {
        *error = too_large;
        return false;
    }
    if (*type != atom(QStringLiteral("INCR")))
        return true;

    // Sent in chunks: reading (and so deleting) each one asks for the next; an empty one ends.
    bytes->clear();
    while (true) {
        const Wait waited = wait_for(
            [this, property](xcb_generic_event_t* event) {
                if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                    return false;
                const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
                return notify->window == m_window && notify->atom == property &&
                       notify->state == XCB_PROPERTY_NEW_VALUE;
            },
            std::min(Clock::now() + request_timeout, m_capture_deadline));
        if (waited != Wait::Ready) {
            *error = waited == Wait::Aborted ? QStringLiteral("given up: the program is ending")
                     : Clock::now() >= m_capture_deadline
                         ? QStringLiteral("the transfer in parts outlasted the capture's %1 ms")
                               .arg(capture_timeout.count())
                         : QStringLiteral("the transfer in parts stopped");
            return false;
        }
        QByteArray chunk;
        if (!get(type, &chunk, &over)) {
            *error = QStringLiteral("a part of the answer could not be read");
            return false;
        }
        if (over) {
            *error = too_large;
            return false;
        }
        if (chunk.isEmpty())
            return true;
        bytes->append(chunk);
    }
}

X11ClipboardReader::Wait
X11ClipboardReader::wait_for(const std::function<bool(xcb_generic_event_t*)>& wanted,
                             Clock::time_point deadline) {
    auto next_owner_check = Clock::now() + owner_check_interval;
    while (true) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const bool found = wanted(event);
            std::free(event);
            if (found)
                return Wait::Ready;
        }
        if (xcb_connection_has_error(m_connection))
            return Wait::Broken;
        const auto now = Clock::now();
        if (now >= deadline)
            return Wait::TimedOut;
        if (now >= next_owner_check) {
            if (current_owner() != m_owner)
                return Wait::OwnerGone;
            next_owner_check = now + owner_check_interval;
            continue; // the owner check may have queued events
        }
        pollfd fds[2] = {{xcb_get_file_descriptor(m_connection), POLLIN, 0},
                         {m_abort_fd ? m_abort_fd() : -1, POLLIN, 0}};
        const auto until = std::min(deadline, next_owner_check);
        const int timeout =
            int(std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count() + 1);
        ::poll(fds, fds[1].fd >= 0 ? 2 : 1, timeout);
        if (fds[1].fd >= 0 && (fds[1].revents & POLLIN))
            return Wait::Aborted;
    }
}
