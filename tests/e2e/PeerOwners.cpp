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
#include <QWidget>
#include <QX11Info>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <utility>
#include <vector>
#include <xcb/xtest.h>

using Request = xcb_selection_request_event_t;

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

// One line on standard output, at once: the tests wait for these.
void say(const QByteArray& line) {
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// Puts count items of format bits into the requestor's property.
void put(const Request& request, xcb_atom_t type, uint8_t format, size_t count, const void* data) {
    xcb_change_property(QX11Info::connection(), XCB_PROP_MODE_REPLACE, request.requestor,
                        request.property, type, format, uint32_t(count), data);
}

// Tells the requestor its request is answered in property (None: refused); flush: at once.
void answer(const Request& request, xcb_atom_t property, bool flush = true) {
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

// Answers from a table: TARGETS gets the list, a target among texts its bytes, any other target
// is refused.
void serve(const Request& request, const std::vector<xcb_atom_t>& list,
           const QMap<xcb_atom_t, QByteArray>& texts, bool flush = true) {
    xcb_atom_t property = request.property;
    if (request.target == intern("TARGETS"))
        put(request, XCB_ATOM_ATOM, 32, list.size(), list.data());
    else if (texts.contains(request.target))
        put(request, request.target, 8, size_t(texts[request.target].size()),
            texts[request.target].constData());
    else
        property = XCB_ATOM_NONE;
    answer(request, property, flush);
}

// An owner's side of the protocol: request() gets the clipboard requests, event() the other
// events; each returns true for an event it has handled itself.
class Owner : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type != "xcb_generic_event_t")
            return false;
        if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST)
            return request(*static_cast<const Request*>(message));
        return this->event(event->response_type & 0x7f, message);
    }

protected:
    virtual bool request(const Request& request) = 0;
    virtual bool event(int, const void*) { return false; }
};

// Owns selection from a window of its own, as copying in another program does, with owner
// answering the requests; says word and runs the event loop.
int own(Owner&& owner, const char* selection = "CLIPBOARD", const char* word = "owner") {
    QWidget window;
    QCoreApplication::instance()->installNativeEventFilter(&owner);
    xcb_set_selection_owner(QX11Info::connection(), xcb_window_t(window.winId()), intern(selection),
                            XCB_CURRENT_TIME);
    xcb_flush(QX11Info::connection());
    say(word);
    return QApplication::exec();
}

// Counts the clipboard requests Qt answers, per target, into a file rewritten after each one.
class RequestCounter : public Owner {
    bool request(const Request& request) override {
        xcb_connection_t* connection = QX11Info::connection();
        xcb_get_atom_name_reply_t* name = xcb_get_atom_name_reply(
            connection, xcb_get_atom_name(connection, request.target), nullptr);
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
class HostileOwner : public Owner {
public:
    explicit HostileOwner(const char* mode) : m_mode(mode) {}

private:
    bool event(int kind, const void* message) override {
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
        // The requestor took the last part: the next one, now or 1.9 s later.
        if (kind == XCB_PROPERTY_NOTIFY && m_requestor.requestor &&
            notify->window == m_requestor.requestor && notify->atom == m_requestor.property &&
            notify->state == XCB_PROPERTY_DELETE) {
            if (m_mode == "flood")
                send(QByteArray(64 * 1024, 'f'));
            else
                QTimer::singleShot(1900, [this] { send("d"); });
        }
        return false;
    }

    bool request(const Request& request) override {
        if (m_mode == "vanish")
            std::_Exit(0);
        if (m_mode != "hang" && request.target == intern("TARGETS")) {
            std::vector<xcb_atom_t> targets = {intern("TARGETS"), intern("UTF8_STRING")};
            for (int i = 0; m_mode == "silent" && i < 20; ++i)
                targets.push_back(
                    intern(("application/x-silent-" + QByteArray::number(i)).constData()));
            serve(request, targets, {});
            return true;
        }
        if (!std::exchange(m_asked, true))
            say("asked");
        if (m_mode == "silent" || m_mode == "hang" || m_requestor.requestor)
            return true;
        m_requestor = request;
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE, size_hint = 1u << 30;
        xcb_change_window_attributes(QX11Info::connection(), request.requestor, XCB_CW_EVENT_MASK,
                                     &mask);
        put(request, intern("INCR"), 32, 1, &size_hint);
        answer(request, request.property);
        return true;
    }

    void send(const QByteArray& part) {
        put(m_requestor, intern("UTF8_STRING"), 8, size_t(part.size()), part.constData());
        xcb_flush(QX11Info::connection());
        say("part " + QByteArray::number(++m_parts));
    }

    const QByteArray m_mode;
    bool m_asked = false;
    Request m_requestor = {}; // the request being answered in parts
    int m_parts = 0;
};

// Offers text among count more formats whose names no program interned before, so that a
// reader knows none of them; refuses all but the text and a secret's mark, which come last, past
// any cut a reader makes. Says "listed" when the list is asked for.
class ManyTargetsOwner : public Owner {
public:
    ManyTargetsOwner(int count, const QByteArray& text) {
        xcb_connection_t* connection = QX11Info::connection();
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
        m_texts = {{intern("UTF8_STRING"), text}, {intern("x-kde-passwordManagerHint"), "secret"}};
        m_list.insert(m_list.end(), {intern("TARGETS"), intern("UTF8_STRING"),
                                     intern("x-kde-passwordManagerHint")});
    }

private:
    bool request(const Request& request) override {
        if (request.target == intern("TARGETS"))
            say("listed");
        serve(request, m_list, m_texts);
        return true;
    }
    QMap<xcb_atom_t, QByteArray> m_texts;
    std::vector<xcb_atom_t> m_list; // what TARGETS answers
};

// An unmapped window on connection c, with the given event mask: a requestor of its own.
xcb_window_t helper_window(xcb_connection_t* c, uint32_t event_mask) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &event_mask);
    return window;
}

// Reads (remove: and deletes) property of window on c; *found: there was one, of type unless 0.
QByteArray take(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, bool* found,
                xcb_atom_t type = 0, bool remove = true) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, remove, window, property, XCB_ATOM_ANY, 0, 1 << 24), nullptr);
    *found = reply && (!type || reply->type == type);
    QByteArray bytes;
    if (*found)
        bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    free(reply);
    xcb_flush(c);
    return bytes;
}

// Reads one target of CLIPBOARD from its owner on a connection of its own; empty when refused.
QByteArray fetch(xcb_connection_t* c, xcb_window_t window, xcb_atom_t target) {
    const xcb_atom_t property = intern(c, "_PEER_SAVE");
    xcb_convert_selection(c, window, intern(c, "CLIPBOARD"), target, property, XCB_CURRENT_TIME);
    xcb_flush(c);
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const bool notify = (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
        const xcb_atom_t got =
            notify ? reinterpret_cast<xcb_selection_notify_event_t*>(event)->property : 0;
        free(event);
        bool found = false;
        if (notify)
            return got == XCB_NONE ? QByteArray() : take(c, window, property, &found);
    }
    return QByteArray();
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
    int answered = 0, total = 0;
    bool started = false, complete = false, found = true;
    while (xcb_generic_event_t* event = complete || !found ? nullptr : next_event(c, 4000)) {
        const int kind = event->response_type & 0x7f;
        const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
        const bool part = kind == XCB_PROPERTY_NOTIFY && notify->atom == read &&
                          notify->state == XCB_PROPERTY_NEW_VALUE && started;
        answered += kind == XCB_SELECTION_NOTIFY;
        free(event);
        if (kind == XCB_SELECTION_NOTIFY && answered == 2) {
            started = true;
            take(c, window, read, &found, incr); // the announcement of parts
        } else if (part) {
            QThread::msleep(1500);
            const int size = take(c, window, read, &found).size();
            complete = found && size == 0;
            total += size;
        }
    }
    xcb_disconnect(c);
    say((complete ? "read " : "stalled after ") + QByteArray::number(total) + " bytes");
    return complete ? 0 : 1;
}

// A clipboard manager as desktops run one: owns CLIPBOARD_MANAGER; asked to SAVE_TARGETS, it
// copies the text the clipboard's owner lists, says it is done, and serves that text itself.
// It says "mark VALUE" when the owner lists a password manager mark as well.
class ClipboardManager : public Owner {
public:
    // silent: takes the requests and never answers, as a hung manager would.
    explicit ClipboardManager(bool silent) : m_silent(silent) {}

private:
    bool request(const Request& request) override {
        if (request.selection != intern("CLIPBOARD_MANAGER"))
            return false;
        if (m_silent) {
            say("asked");
            return true;
        }
        xcb_atom_t saved = XCB_NONE;
        if (request.target == intern("SAVE_TARGETS")) {
            // The listed targets, read on a second connection while this one waits.
            xcb_connection_t* c = QX11Info::connection();
            bool found = false;
            const QByteArray listed =
                take(c, request.requestor, request.property, &found, XCB_ATOM_ATOM, false);
            const auto* atoms = reinterpret_cast<const xcb_atom_t*>(listed.constData());
            const xcb_atom_t* end = atoms + listed.size() / 4;
            const bool offered = std::find(atoms, end, intern("UTF8_STRING")) != end;
            const xcb_atom_t mark = intern("x-kde-passwordManagerHint");
            xcb_connection_t* reader = xcb_connect(nullptr, nullptr);
            const xcb_window_t window = helper_window(reader, 0);
            const QByteArray text =
                offered ? fetch(reader, window, intern(reader, "UTF8_STRING")) : QByteArray();
            if (std::find(atoms, end, mark) != end)
                say("mark " + fetch(reader, window, mark));
            xcb_disconnect(reader);
            if (!text.isEmpty()) {
                saved = request.property;
                QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
            }
            say("kept " + (text.isEmpty() ? QByteArray("nothing") : text));
        }
        answer(request, saved);
        return true;
    }
    bool m_silent;
};

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
class CopyThenPaste : public Owner {
public:
    CopyThenPaste(const QString& first, const QString& second)
        : m_texts{first.toUtf8(), second.toUtf8()}, m_control(keycode_of(0xffe3)),
          m_v(keycode_of('v')) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        claim(false);
    }
    int run() { return QApplication::exec(); }

private:
    void claim(bool press_ctrl_v) {
        xcb_connection_t* connection = QX11Info::connection();
        xcb_set_selection_owner(connection, window(), intern("CLIPBOARD"), XCB_CURRENT_TIME);
        const xcb_keycode_t keys[] = {m_control, m_v, m_v, m_control};
        for (int i = 0; press_ctrl_v && i < 4; ++i)
            xcb_test_fake_input(connection, i < 2 ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keys[i],
                                XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(connection);
    }
    bool event(int kind, const void* message) override {
        // Corvana took the clipboard from the second owner to serve its paste: done.
        if (kind == XCB_SELECTION_CLEAR && m_stage == 1 &&
            static_cast<const xcb_selection_clear_event_t*>(message)->owner == window())
            QCoreApplication::quit();
        return kind == XCB_SELECTION_CLEAR;
    }
    bool request(const Request& request) override {
        const int owner = request.owner == xcb_window_t(m_windows[0].winId()) ? 0 : 1;
        const xcb_atom_t utf8 = intern("UTF8_STRING");
        // Not flushed yet: the answer goes out with the second claim and the key.
        serve(request, {intern("TARGETS"), utf8}, {{utf8, m_texts[owner]}}, false);
        if (request.target == utf8 && owner == 0 && m_stage == 0) {
            m_stage = 1;
            claim(true);
        }
        xcb_flush(QX11Info::connection());
        return true;
    }
    xcb_window_t window() { return xcb_window_t(m_windows[m_stage].winId()); }

    QWidget m_windows[2];
    QByteArray m_texts[2];
    int m_stage = 0;
    xcb_keycode_t m_control, m_v;
};

QMap<QString, std::function<int()>> owner_modes(const QStringList& a) {
    const QString one = a.value(2), two = a.value(3);
    QMap<QString, std::function<int()>> modes = {
        {"offer", [a] { return offer(a.mid(2)); }},
        {"many-targets", [=] { return own(ManyTargetsOwner(one.toInt(), two.toUtf8())); }},
        {"read-two", [=] { return read_two(one.toLatin1(), two.toLatin1()); }},
        {"clipboard-manager",
         [=] { return own(ClipboardManager(one == "silent"), "CLIPBOARD_MANAGER", "manager"); }},
        {"copy-then-paste", [=] { return CopyThenPaste(one, two).run(); }},
    };
    for (const char* mode : {"hang", "vanish", "drip", "flood", "silent"})
        modes.insert(mode, [mode] { return own(HostileOwner(mode)); });
    return modes;
}
