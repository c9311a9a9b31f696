#include "X11ClipboardReader.h"

#include "X11TargetList.h"
#include "X11TransferBuffer.h"
#include "clipboard/SecretContent.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QtDebug>

#include <poll.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto owner_check_interval = std::chrono::milliseconds(100);
// Names asked of the server at once: a long list costs a few round trips, not one per atom.
constexpr int name_batch = 256;

template <typename T> struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

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
    if (value != XCB_ATOM_NONE)
        m_atoms.insert(name, value);
    return value;
}

bool X11ClipboardReader::atom_names(const QVector<quint32>& atoms, QVector<QString>* names,
                                    QString* error) {
    names->resize(atoms.size());
    QVector<int> unknown;
    for (int i = 0; i < atoms.size(); ++i) {
        if (!m_names.find(atoms[i], &(*names)[i]))
            unknown.append(i);
    }
    std::vector<xcb_get_atom_name_cookie_t> cookies;
    for (int first = 0; first < unknown.size(); first += name_batch) {
        if (Clock::now() >= m_capture_deadline) {
            *error = QStringLiteral("the names of its formats took longer than the capture's %1 ms")
                         .arg(capture_timeout.count());
            return false;
        }
        if (aborting()) {
            *error = QStringLiteral("given up: the program is ending");
            return false;
        }
        const int last = std::min<int>(first + name_batch, unknown.size());
        cookies.clear();
        for (int k = first; k < last; ++k)
            cookies.push_back(xcb_get_atom_name(m_connection, atoms[unknown[k]]));
        for (int k = first; k < last; ++k) {
            xcb_generic_error_t* failure = nullptr;
            Reply<xcb_get_atom_name_reply_t> reply(
                xcb_get_atom_name_reply(m_connection, cookies[size_t(k - first)], &failure));
            std::free(failure);
            // Not an atom (yet): no name, and nothing to remember, as it may be made later.
            if (!reply)
                continue;
            const int length = xcb_get_atom_name_name_length(reply.get());
            // A name too long for a format is remembered as none, so it is not asked again.
            const QString name =
                length > X11TargetList::max_name_length
                    ? QString()
                    : QString::fromLatin1(xcb_get_atom_name_name(reply.get()), length);
            m_names.insert(atoms[unknown[k]], name);
            (*names)[unknown[k]] = name;
        }
    }
    return true;
}

bool X11ClipboardReader::aborting() const {
    pollfd abort = {m_abort_fd ? m_abort_fd() : -1, POLLIN, 0};
    return abort.fd >= 0 && ::poll(&abort, 1, 0) > 0 && (abort.revents & POLLIN);
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
    QVector<quint32> always_kept{atom(QLatin1String(SecretContent::hint_format()))};
    for (const QString& text : X11TargetList::text_targets())
        always_kept.append(atom(text));
    const X11TargetList::Listed listed = X11TargetList::parse(targets.bytes, always_kept);
    if (listed.dropped > 0)
        qWarning("X11ClipboardReader: the owner lists %d formats, only the first %d are looked at",
                 listed.listed, X11TargetList::max_targets);
    QVector<QString> names;
    if (!atom_names(listed.atoms, &names, &result.error))
        return result;
    X11TargetList::Offered offered = X11TargetList::offered(listed.atoms, names);
    m_offered = std::move(offered.targets);
    result.formats = std::move(offered.formats);
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
    X11TransferBuffer buffer(m_budget);
    // Reading deletes the property, which asks an owner sending in parts for the next one.
    const auto get = [this, property, type, &buffer](bool first) {
        Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 1, m_window, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             buffer.request_units()),
            nullptr));
        if (!reply)
            return false;
        *type = reply->type;
        if (first && reply->type == atom(QStringLiteral("INCR")))
            buffer.expect_parts();
        else
            buffer.add(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       xcb_get_property_value_length(reply.get()), reply->bytes_after);
        return true;
    };
    if (!get(true)) {
        *error = QStringLiteral("the answer could not be read");
        return false;
    }
    while (buffer.state() == X11TransferBuffer::State::Reading) {
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
        if (!get(false)) {
            *error = QStringLiteral("a part of the answer could not be read");
            return false;
        }
    }
    if (buffer.state() == X11TransferBuffer::State::TooLarge) {
        *error = QStringLiteral("more than the capture's %1 bytes").arg(capture_max_bytes);
        return false;
    }
    *bytes = buffer.take();
    return true;
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
