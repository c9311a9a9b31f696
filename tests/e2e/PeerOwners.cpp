// Clipboard owners for the end-to-end peer: programs that copy, misbehave, or keep the clipboard
// as a desktop's clipboard manager does.
#include "PeerOwners.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMap>
#include <QMimeData>
#include <QThread>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <QX11Info>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <utility>
#include <vector>
#include <xcb/xtest.h>

xcb_atom_t intern(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_NONE);
    free(reply);
    return atom;
}

xcb_atom_t intern(const char* name) {
    return intern(QX11Info::connection(), name);
}

// Tells the requestor its request is answered in property (None: refused); flush: at once.
void answer(const xcb_selection_request_event_t& request, xcb_atom_t property, bool flush = true) {
    xcb_selection_notify_event_t event = {};
    event.response_type = XCB_SELECTION_NOTIFY;
    event.time = request.time;
    event.requestor = request.requestor;
    event.selection = request.selection;
    event.target = request.target;
    event.property = property;
    xcb_send_event(QX11Info::connection(), 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    if (flush)
        xcb_flush(QX11Info::connection());
}

// One line on standard output, at once: the tests wait for these.
void say(const QByteArray& line) {
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// The clipboard request an event filter sees, nullptr for any other event.
const xcb_selection_request_event_t* selection_request(const QByteArray& type, void* message) {
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    return type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_SELECTION_REQUEST
               ? static_cast<const xcb_selection_request_event_t*>(message)
               : nullptr;
}

// Owns CLIPBOARD from a window of its own, as copying in another program does, with filter
// answering the requests; says "owner" and runs the event loop.
int own_clipboard(QAbstractNativeEventFilter& filter) {
    QWidget window;
    QCoreApplication::instance()->installNativeEventFilter(&filter);
    xcb_set_selection_owner(QX11Info::connection(), xcb_window_t(window.winId()),
                            intern("CLIPBOARD"), XCB_CURRENT_TIME);
    xcb_flush(QX11Info::connection());
    say("owner");
    return QApplication::exec();
}

// Counts the clipboard requests Qt answers, per target, into a file rewritten after each one.
class RequestCounter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* request = selection_request(type, message);
        if (!request)
            return false;
        xcb_connection_t* connection = QX11Info::connection();
        xcb_get_atom_name_reply_t* name = xcb_get_atom_name_reply(
            connection, xcb_get_atom_name(connection, request->target), nullptr);
        if (name) {
            ++m_counts[QString::fromLatin1(xcb_get_atom_name_name(name),
                                           xcb_get_atom_name_name_length(name))];
            free(name);
        }
        QFile file(QStringLiteral("offer-requests.txt"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
                file.write(it.key().toUtf8() + ' ' + QByteArray::number(it.value()) + '\n');
        return false;
    }

private:
    QMap<QString, int> m_counts;
};

// Offers the given formats with the bytes of the given files, as a program that copies them;
// counts the requests in offer-requests.txt.
int offer(const QStringList& pairs) {
    auto* data = new QMimeData;
    for (const QString& pair : pairs) {
        const int split = pair.indexOf(QLatin1Char('='));
        QFile file(pair.mid(split + 1));
        if (split < 0 || !file.open(QIODevice::ReadOnly))
            return 2;
        data->setData(pair.left(split), file.readAll());
    }
    RequestCounter counter;
    QCoreApplication::instance()->installNativeEventFilter(&counter);
    QGuiApplication::clipboard()->setMimeData(data);
    say("owner");
    return QApplication::exec();
}

// An owner that misbehaves on purpose. hang: never answers, not even the list of formats;
// vanish: dies at the first request, as a crashing program would. The others answer the list
// of formats, then:
// - drip: sends the text in parts (INCR), one byte every 1.9 s, without end;
// - flood: sends parts of 64 KiB as fast as they are taken, without end;
// - silent: offers many formats and answers none of them.
// Says "asked" at the first request for content and "part N" for every part sent.
class HostileOwner : public QAbstractNativeEventFilter {
public:
    using Mode = HostileMode;
    explicit HostileOwner(Mode mode) : m_mode(mode) {}

    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        if (const auto* selection = selection_request(type, message)) {
            request(*selection);
            return true;
        }
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
            m_requestor) {
            const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
            if (notify->window == m_requestor && notify->atom == m_property &&
                notify->state == XCB_PROPERTY_DELETE)
                next_part();
        }
        return false;
    }

private:
    void request(const xcb_selection_request_event_t& request) {
        xcb_connection_t* connection = QX11Info::connection();
        if (m_mode == Mode::Vanish)
            std::_Exit(0);
        if (m_mode != Mode::Hang && request.target == intern("TARGETS")) {
            QVector<xcb_atom_t> targets = {intern("TARGETS"), intern("UTF8_STRING")};
            for (int i = 0; m_mode == Mode::Silent && i < 20; ++i)
                targets.append(intern(
                    QByteArray("application/x-silent-" + QByteArray::number(i)).constData()));
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, XCB_ATOM_ATOM, 32, uint32_t(targets.size()),
                                targets.constData());
            answer(request, request.property);
            return;
        }
        if (!m_asked)
            say("asked");
        m_asked = true;
        if (m_mode == Mode::Silent || m_mode == Mode::Hang || m_requestor)
            return;
        m_requestor = request.requestor;
        m_property = request.property;
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection, m_requestor, XCB_CW_EVENT_MASK, &mask);
        const uint32_t size_hint = 1u << 30;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, m_requestor, m_property,
                            intern("INCR"), 32, 1, &size_hint);
        answer(request, request.property);
    }

    // The requestor took the last part: the next one, now or 1.9 s later.
    void next_part() {
        if (m_mode == Mode::Flood) {
            send(QByteArray(64 * 1024, 'f'));
            return;
        }
        QTimer::singleShot(1900, [this] { send("d"); });
    }

    void send(const QByteArray& part) {
        xcb_change_property(QX11Info::connection(), XCB_PROP_MODE_REPLACE, m_requestor, m_property,
                            intern("UTF8_STRING"), 8, uint32_t(part.size()), part.constData());
        xcb_flush(QX11Info::connection());
        say("part " + QByteArray::number(++m_parts));
    }

    Mode m_mode;
    bool m_asked = false;
    xcb_window_t m_requestor = 0;
    xcb_atom_t m_property = 0;
    int m_parts = 0;
};

int hostile(HostileMode mode) {
    HostileOwner filter(mode);
    return own_clipboard(filter);
}

// Offers text among count more formats whose names no program interned before, so that a
// reader knows none of them; refuses all but the text. Says "listed" when the list is asked for.
class ManyTargetsOwner : public QAbstractNativeEventFilter {
public:
    ManyTargetsOwner(int count, const QByteArray& text) : m_text(text) {
        xcb_connection_t* connection = QX11Info::connection();
        m_targets = {intern("TARGETS"), intern("UTF8_STRING"), intern("x-kde-passwordManagerHint")};
        // Asked all at once: one round trip each would take longer than the test.
        std::vector<xcb_intern_atom_cookie_t> cookies;
        for (int i = 0; i < count; ++i) {
            const QByteArray name = "application/x-peer-many-" + QByteArray::number(i);
            cookies.push_back(xcb_intern_atom(connection, 0, uint16_t(name.size()), name.data()));
        }
        for (const xcb_intern_atom_cookie_t& cookie : cookies) {
            xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
            if (reply)
                m_list.push_back(reply->atom);
            free(reply);
        }
        // The text and a secret's mark come last, past any cut a reader makes.
        m_list.insert(m_list.end(), m_targets.begin(), m_targets.end());
    }
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* selection = selection_request(type, message);
        if (!selection)
            return false;
        const auto& request = *selection;
        xcb_connection_t* connection = QX11Info::connection();
        xcb_atom_t property = request.property;
        if (request.target == m_targets[0]) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_ATOM, 32, uint32_t(m_list.size()), m_list.data());
            say("listed");
        } else if (request.target == m_targets[1]) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                m_targets[1], 8, uint32_t(m_text.size()), m_text.constData());
        } else if (request.target == m_targets[2]) {
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_STRING, 8, 6, "secret");
        } else {
            property = XCB_ATOM_NONE;
        }
        answer(request, property);
        return true;
    }

private:
    QByteArray m_text;
    std::vector<xcb_atom_t> m_targets; // TARGETS, the text, the mark
    std::vector<xcb_atom_t> m_list;    // what TARGETS answers
};

int many_targets(int count, const QString& text) {
    ManyTargetsOwner owner(count, text.toUtf8());
    return own_clipboard(owner);
}

// An unmapped window on connection c, with the given event mask: a requestor of its own.
xcb_window_t helper_window(xcb_connection_t* c, uint32_t event_mask) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &event_mask);
    return window;
}

// Reads one target of CLIPBOARD from its owner on a connection of its own; empty when refused.
QByteArray fetch(xcb_connection_t* c, xcb_window_t window, xcb_atom_t target) {
    const xcb_atom_t clipboard = intern(c, "CLIPBOARD"), property = intern(c, "_PEER_SAVE");
    xcb_convert_selection(c, window, clipboard, target, property, XCB_CURRENT_TIME);
    xcb_flush(c);
    for (;;) {
        xcb_generic_event_t* event = xcb_wait_for_event(c);
        if (!event)
            return QByteArray();
        const bool notify = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
        const xcb_atom_t got =
            notify ? reinterpret_cast<xcb_selection_notify_event_t*>(event)->property : 0;
        free(event);
        if (!notify)
            continue;
        if (got == XCB_NONE)
            return QByteArray();
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 1, window, property, XCB_ATOM_ANY, 0, 1 << 24), nullptr);
        QByteArray bytes;
        if (reply)
            bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                               xcb_get_property_value_length(reply));
        free(reply);
        return bytes;
    }
}

// The next event within ms milliseconds, nullptr when none came.
xcb_generic_event_t* next_event(xcb_connection_t* c, int ms) {
    if (xcb_generic_event_t* event = xcb_poll_for_event(c))
        return event;
    pollfd ready = {xcb_get_file_descriptor(c), POLLIN, 0};
    return ::poll(&ready, 1, ms) > 0 ? xcb_poll_for_event(c) : nullptr;
}

// A program that asks for two large targets at once into two properties of one window, reads
// the first in parts, slowly (one every 1.5 s), and never the second, so that its owner gives
// that one up meanwhile. Says "read N bytes" when the first is complete, "stalled after N
// bytes" when no part came for 4 s.
int read_two(const QByteArray& first, const QByteArray& second) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t window = helper_window(c, XCB_EVENT_MASK_PROPERTY_CHANGE);
    const xcb_atom_t clipboard = intern(c, "CLIPBOARD"), incr = intern(c, "INCR");
    const xcb_atom_t read = intern(c, "_PEER_READ"), left = intern(c, "_PEER_LEFT");
    xcb_convert_selection(c, window, clipboard, intern(c, first.constData()), read,
                          XCB_CURRENT_TIME);
    xcb_convert_selection(c, window, clipboard, intern(c, second.constData()), left,
                          XCB_CURRENT_TIME);
    xcb_flush(c);
    // Reads (and so deletes) the property: the size of what it held, -1 when not in parts.
    const auto take = [&](bool announcement) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            c, xcb_get_property(c, 1, window, read, XCB_ATOM_ANY, 0, 1 << 24), nullptr);
        const int size = reply && (!announcement || reply->type == incr)
                             ? xcb_get_property_value_length(reply)
                             : -1;
        free(reply);
        xcb_flush(c);
        return size;
    };
    int answered = 0, total = 0;
    bool started = false, complete = false;
    while (xcb_generic_event_t* event = complete ? nullptr : next_event(c, 4000)) {
        const int kind = event->response_type & 0x7f;
        const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
        const bool part = kind == XCB_PROPERTY_NOTIFY && notify->atom == read &&
                          notify->state == XCB_PROPERTY_NEW_VALUE && started;
        answered += kind == XCB_SELECTION_NOTIFY;
        free(event);
        if (kind == XCB_SELECTION_NOTIFY && answered == 2) {
            started = true;
            if (take(true) < 0)
                break;
        } else if (part) {
            QThread::msleep(1500);
            const int size = take(false);
            if (size < 0)
                break;
            complete = size == 0;
            total += size;
        }
    }
    xcb_disconnect(c);
    std::printf(complete ? "read %d bytes\n" : "stalled after %d bytes\n", total);
    std::fflush(stdout);
    return complete ? 0 : 1;
}

// A clipboard manager as desktops run one: owns CLIPBOARD_MANAGER; asked to SAVE_TARGETS, it
// copies the text the clipboard's owner lists, says it is done, and serves that text itself.
// It says "mark VALUE" when the owner lists a password manager mark as well.
class ClipboardManager : public QAbstractNativeEventFilter {
public:
    // silent: takes the requests and never answers, as a hung manager would.
    explicit ClipboardManager(bool silent) : m_silent(silent) {}
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* request = selection_request(type, message);
        xcb_connection_t* c = QX11Info::connection();
        if (!request || request->selection != intern(c, "CLIPBOARD_MANAGER"))
            return false;
        if (m_silent) {
            say("asked");
            return true;
        }
        xcb_atom_t saved = XCB_NONE;
        if (request->target == intern(c, "SAVE_TARGETS")) {
            // The listed targets, read on a second connection while this one waits.
            xcb_get_property_reply_t* listed =
                xcb_get_property_reply(c,
                                       xcb_get_property(c, 0, request->requestor, request->property,
                                                        XCB_ATOM_ATOM, 0, 1024),
                                       nullptr);
            const xcb_atom_t utf8 = intern(c, "UTF8_STRING"),
                             mark = intern(c, "x-kde-passwordManagerHint");
            bool offered = false, marked = false;
            if (listed) {
                const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(listed));
                for (int i = 0; i < xcb_get_property_value_length(listed) / 4; ++i) {
                    offered = offered || atoms[i] == utf8;
                    marked = marked || atoms[i] == mark;
                }
                free(listed);
            }
            xcb_connection_t* reader = xcb_connect(nullptr, nullptr);
            const xcb_window_t window = helper_window(reader, 0);
            const QByteArray text =
                offered ? fetch(reader, window, intern(reader, "UTF8_STRING")) : QByteArray();
            if (marked)
                say("mark " + fetch(reader, window, mark));
            xcb_disconnect(reader);
            if (!text.isEmpty()) {
                saved = request->property;
                QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
            }
            say("kept " + (text.isEmpty() ? QByteArray("nothing") : text));
        }
        answer(*request, saved);
        return true;
    }

private:
    bool m_silent;
};

int clipboard_manager(bool silent) {
    QWidget window;
    ClipboardManager manager(silent);
    QCoreApplication::instance()->installNativeEventFilter(&manager);
    xcb_connection_t* c = QX11Info::connection();
    xcb_set_selection_owner(c, xcb_window_t(window.winId()), intern(c, "CLIPBOARD_MANAGER"),
                            XCB_CURRENT_TIME);
    xcb_flush(c);
    say("manager");
    return QApplication::exec();
}

// The first keycode whose unshifted keysym is keysym, 0 when none.
xcb_keycode_t keycode_of(xcb_keysym_t keysym) {
    xcb_connection_t* connection = QX11Info::connection();
    const xcb_setup_t* setup = xcb_get_setup(connection);
    auto cookie = xcb_get_keyboard_mapping(connection, setup->min_keycode,
                                           setup->max_keycode - setup->min_keycode + 1);
    xcb_get_keyboard_mapping_reply_t* reply =
        xcb_get_keyboard_mapping_reply(connection, cookie, nullptr);
    if (!reply)
        return 0;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int per = reply->keysyms_per_keycode;
    xcb_keycode_t keycode = 0;
    for (int code = setup->min_keycode; code <= setup->max_keycode && !keycode; ++code)
        if (syms[(code - setup->min_keycode) * per] == keysym)
            keycode = xcb_keycode_t(code);
    free(reply);
    return keycode;
}

// Owns CLIPBOARD with UTF-8 text, answering requests itself, so that a claim can go out in the
// same flush as other requests. The first time its text is read it claims again with the next
// text from a second window, and presses Ctrl+V in that same flush: the reader is then still
// busy with the first text when the second claim and the key reach it, so it meets both in one
// batch of events, as a script's "xdotool key ctrl+c ctrl+v" can reach a busy desktop.
class CopyThenPaste : public QAbstractNativeEventFilter {
public:
    CopyThenPaste(const QString& first, const QString& second)
        : m_texts{first.toUtf8(), second.toUtf8()}, m_clipboard(intern("CLIPBOARD")),
          m_targets(intern("TARGETS")), m_utf8(intern("UTF8_STRING")),
          m_control(keycode_of(0xffe3)), m_v(keycode_of('v')) {}
    bool ready() const {
        return m_clipboard != XCB_ATOM_NONE && m_targets != XCB_ATOM_NONE && m_control && m_v;
    }
    void claim(bool press_ctrl_v) {
        xcb_connection_t* connection = QX11Info::connection();
        xcb_set_selection_owner(connection, window(), m_clipboard, XCB_CURRENT_TIME);
        if (press_ctrl_v) {
            for (const auto& [type, key] :
                 {std::pair<uint8_t, xcb_keycode_t>{XCB_KEY_PRESS, m_control},
                  {XCB_KEY_PRESS, m_v},
                  {XCB_KEY_RELEASE, m_v},
                  {XCB_KEY_RELEASE, m_control}})
                xcb_test_fake_input(connection, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        }
        xcb_flush(connection);
    }
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type != "xcb_generic_event_t")
            return false;
        const uint8_t kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_CLEAR) {
            // Corvana took the clipboard from the second owner to serve its paste: done.
            if (static_cast<const xcb_selection_clear_event_t*>(message)->owner == window() &&
                m_stage == 1)
                QCoreApplication::quit();
            return true;
        }
        if (kind != XCB_SELECTION_REQUEST)
            return false;
        const auto* request = static_cast<const xcb_selection_request_event_t*>(message);
        const int owner = request->owner == xcb_window_t(m_windows[0].winId()) ? 0 : 1;
        xcb_connection_t* connection = QX11Info::connection();
        xcb_atom_t property = request->property;
        if (request->target == m_targets) {
            const xcb_atom_t targets[] = {m_targets, m_utf8};
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property,
                                XCB_ATOM_ATOM, 32, 2, targets);
        } else if (request->target == m_utf8) {
            const QByteArray& text = m_texts[owner];
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor, property,
                                m_utf8, 8, uint32_t(text.size()), text.constData());
        } else {
            property = XCB_ATOM_NONE;
        }
        // Not flushed yet: the answer goes out with the second claim and the key.
        answer(*request, property, false);
        if (request->target == m_utf8 && owner == 0 && m_stage == 0) {
            m_stage = 1;
            claim(true);
        }
        xcb_flush(connection);
        return true;
    }

private:
    xcb_window_t window() { return xcb_window_t(m_windows[m_stage].winId()); }

    QWidget m_windows[2];
    QByteArray m_texts[2];
    int m_stage = 0;
    xcb_atom_t m_clipboard, m_targets, m_utf8;
    xcb_keycode_t m_control, m_v;
};

int copy_then_paste(const QString& first, const QString& second) {
    CopyThenPaste peer(first, second);
    if (!peer.ready())
        return 2;
    QCoreApplication::instance()->installNativeEventFilter(&peer);
    peer.claim(false);
    return QApplication::exec();
}
