// A small X client the end-to-end tests drive Corvana with: makes and compares images, shows a
// window that logs the keys it receives, holds a key grab as another program would, and owns the
// clipboard as well-behaved, hung, vanishing and hostile programs do.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMap>
#include <QMimeData>
#include <QTextStream>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <QX11Info>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <xcb/xcb.h>
#include <xcb/xinput.h>

namespace {
// Hears every key press from the server as it happens (XInput2 raw events come even while
// another client keeps the keyboard frozen), so the time a press took to arrive can be told.
class RawPressClock : public QAbstractNativeEventFilter {
public:
    RawPressClock() {
        xcb_connection_t* connection = QX11Info::connection();
        const xcb_query_extension_reply_t* extension =
            xcb_get_extension_data(connection, &xcb_input_id);
        if (!extension || !extension->present)
            return;
        m_opcode = extension->major_opcode;
        struct {
            xcb_input_event_mask_t head;
            uint32_t mask;
        } mask = {{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS};
        xcb_input_xi_select_events(connection, QX11Info::appRootWindow(), 1, &mask.head);
        xcb_flush(connection);
    }
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* event = static_cast<const xcb_ge_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_GE_GENERIC &&
            event->extension == m_opcode && event->event_type == XCB_INPUT_RAW_KEY_PRESS)
            m_last_press = static_cast<const xcb_input_raw_key_press_event_t*>(message)->time;
        return false;
    }
    quint32 last_press() const { return m_last_press; }

private:
    uint8_t m_opcode = 0;
    quint32 m_last_press = 0;
};

class KeyLogWindow : public QWidget {
public:
    // clock: when given, each line also gets the milliseconds from the key's press on the
    // server to its arrival here. with_clipboard: Ctrl+V lines also get the clipboard's text.
    explicit KeyLogWindow(const QString& path, RawPressClock* clock = nullptr,
                          bool with_clipboard = false)
        : m_file(path), m_clock(clock), m_with_clipboard(with_clipboard) {
        m_file.open(QIODevice::WriteOnly | QIODevice::Append);
        setWindowTitle(QStringLiteral("corvana-keylog"));
        resize(300, 200);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int modifiers = int(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        QString name = QKeySequence(modifiers | event->key()).toString(QKeySequence::PortableText);
        // What a program pasting now would get. The V key by its place (keycode 55 on Xvfb's
        // keymap), so a Cyrillic layout counts too.
        if (m_with_clipboard && (event->modifiers() & Qt::ControlModifier) &&
            event->nativeScanCode() == 55)
            name += QLatin1Char(':') + QGuiApplication::clipboard()->text();
        QByteArray line = name.toUtf8();
        if (m_clock)
            line += ' ' + QByteArray::number(qint64(QX11Info::getTimestamp()) -
                                             qint64(m_clock->last_press()));
        m_file.write(line + '\n');
        m_file.flush();
    }

private:
    QFile m_file;
    RawPressClock* m_clock;
    bool m_with_clipboard;
};

QImage sample_image() {
    QImage image(64, 48, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x * 4, y * 5, (x * y) % 256, 255));
    return image;
}

// Takes the clipboard and dies at the first request for its content, as a crashing program would.
class VanishingOwner : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_SELECTION_REQUEST)
            std::_Exit(0);
        return false;
    }
};

// Counts the clipboard requests it answers, per target, into a file rewritten after each one.
class RequestCounter : public QAbstractNativeEventFilter {
public:
    explicit RequestCounter(QString path) : m_path(std::move(path)) {}
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type != "xcb_generic_event_t" || (event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            return false;
        const auto* request = static_cast<const xcb_selection_request_event_t*>(message);
        xcb_connection_t* connection = QX11Info::connection();
        xcb_get_atom_name_reply_t* name = xcb_get_atom_name_reply(
            connection, xcb_get_atom_name(connection, request->target), nullptr);
        if (name) {
            ++m_counts[QString::fromLatin1(xcb_get_atom_name_name(name),
                                           xcb_get_atom_name_name_length(name))];
            free(name);
        }
        QFile file(m_path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
                file.write(it.key().toUtf8() + ' ' + QByteArray::number(it.value()) + '\n');
        }
        return false; // Qt answers it
    }

private:
    QString m_path;
    QMap<QString, int> m_counts;
};

// Offers one picture in four encodings, as image editors and browsers do.
int offer_image(const QString& counts_path) {
    const QImage image = sample_image().scaled(640, 480);
    auto* data = new QMimeData;
    for (const char* format : {"PNG", "JPEG", "BMP", "TIFF"}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, format))
            bytes = QByteArray(1000, 't'); // no writer for it here: bytes stand in
        data->setData(QStringLiteral("image/") + QString::fromLatin1(format).toLower(), bytes);
    }
    RequestCounter counter(counts_path);
    QCoreApplication::instance()->installNativeEventFilter(&counter);
    QGuiApplication::clipboard()->setMimeData(data);
    std::printf("owner\n");
    std::fflush(stdout);
    return QApplication::exec();
}

// Makes window the owner of the clipboard, as copying in another program does.
bool claim_clipboard(QWidget& window) {
    xcb_connection_t* connection = QX11Info::connection();
    auto cookie = xcb_intern_atom(connection, 0, 9, "CLIPBOARD");
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(connection, cookie, nullptr);
    if (!atom)
        return false;
    xcb_set_selection_owner(connection, xcb_window_t(window.winId()), atom->atom, XCB_CURRENT_TIME);
    free(atom);
    xcb_flush(connection);
    std::printf("owner\n");
    std::fflush(stdout);
    return true;
}

// Never answers a request, as a hung program would, but says "asked" when the first one comes:
// the requester is waiting from then on.
class SilentOwner : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type != "xcb_generic_event_t" || (event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            return false;
        if (!m_asked) {
            m_asked = true;
            std::printf("asked\n");
            std::fflush(stdout);
        }
        return true; // Qt never sees it, so nobody answers
    }

private:
    bool m_asked = false;
};

int hang() {
    QWidget window;
    SilentOwner filter;
    QCoreApplication::instance()->installNativeEventFilter(&filter);
    if (!claim_clipboard(window))
        return 2;
    return QApplication::exec();
}

int vanish() {
    QWidget window;
    VanishingOwner filter;
    QCoreApplication::instance()->installNativeEventFilter(&filter);
    if (!claim_clipboard(window))
        return 2;
    return QApplication::exec();
}

// Offers the given formats with the bytes of the given files, as a program that copies them.
int offer(const QStringList& pairs) {
    auto* data = new QMimeData;
    for (const QString& pair : pairs) {
        const int split = pair.indexOf(QLatin1Char('='));
        QFile file(pair.mid(split + 1));
        if (split < 0 || !file.open(QIODevice::ReadOnly))
            return 2;
        data->setData(pair.left(split), file.readAll());
    }
    QGuiApplication::clipboard()->setMimeData(data);
    std::printf("owner\n");
    std::fflush(stdout);
    return QApplication::exec();
}

// An owner that misbehaves on purpose. It answers the list of formats, then:
// - drip: sends the text in parts (INCR), one byte every 1.9 s, without end;
// - flood: sends parts of 64 KiB as fast as they are taken, without end;
// - silent: offers many formats and answers none of them.
// Says "asked" at the first request for content and "part N" for every part sent.
class HostileOwner : public QAbstractNativeEventFilter {
public:
    enum class Mode { Drip, Flood, Silent };
    explicit HostileOwner(Mode mode) : m_mode(mode) {}

    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const int kind = event->response_type & 0x7f;
        if (kind == XCB_SELECTION_REQUEST) {
            request(*static_cast<const xcb_selection_request_event_t*>(message));
            return true;
        }
        if (kind == XCB_PROPERTY_NOTIFY && m_requestor) {
            const auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
            if (notify->window == m_requestor && notify->atom == m_property &&
                notify->state == XCB_PROPERTY_DELETE)
                next_part();
        }
        return false;
    }

private:
    static xcb_atom_t atom(const char* name) {
        xcb_connection_t* connection = QX11Info::connection();
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return value;
    }

    static void notify(const xcb_selection_request_event_t& request, xcb_atom_t property) {
        xcb_selection_notify_event_t event = {};
        event.response_type = XCB_SELECTION_NOTIFY;
        event.time = request.time;
        event.requestor = request.requestor;
        event.selection = request.selection;
        event.target = request.target;
        event.property = property;
        xcb_send_event(QX11Info::connection(), 0, request.requestor, 0,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(QX11Info::connection());
    }

    void request(const xcb_selection_request_event_t& request) {
        xcb_connection_t* connection = QX11Info::connection();
        if (request.target == atom("TARGETS")) {
            QVector<xcb_atom_t> targets = {atom("TARGETS"), atom("UTF8_STRING")};
            for (int i = 0; m_mode == Mode::Silent && i < 20; ++i)
                targets.append(
                    atom(QByteArray("application/x-silent-" + QByteArray::number(i)).constData()));
            xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request.requestor,
                                request.property, XCB_ATOM_ATOM, 32, uint32_t(targets.size()),
                                targets.constData());
            notify(request, request.property);
            return;
        }
        if (!m_asked) {
            m_asked = true;
            std::printf("asked\n");
            std::fflush(stdout);
        }
        if (m_mode == Mode::Silent || m_requestor)
            return;
        m_requestor = request.requestor;
        m_property = request.property;
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(connection, m_requestor, XCB_CW_EVENT_MASK, &mask);
        const uint32_t size_hint = 1u << 30;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, m_requestor, m_property,
                            atom("INCR"), 32, 1, &size_hint);
        notify(request, request.property);
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
                            atom("UTF8_STRING"), 8, uint32_t(part.size()), part.constData());
        xcb_flush(QX11Info::connection());
        std::printf("part %d\n", ++m_parts);
        std::fflush(stdout);
    }

    Mode m_mode;
    bool m_asked = false;
    xcb_window_t m_requestor = 0;
    xcb_atom_t m_property = 0;
    int m_parts = 0;
};

int hostile(HostileOwner::Mode mode) {
    QWidget window;
    HostileOwner filter(mode);
    QCoreApplication::instance()->installNativeEventFilter(&filter);
    if (!claim_clipboard(window))
        return 2;
    return QApplication::exec();
}

xcb_atom_t intern(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_NONE);
    free(reply);
    return atom;
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

// A clipboard manager as desktops run one: owns CLIPBOARD_MANAGER; asked to SAVE_TARGETS, it
// copies the text the clipboard's owner lists, says it is done, and serves that text itself.
class ClipboardManager : public QAbstractNativeEventFilter {
public:
    // silent: takes the requests and never answers, as a hung manager would.
    explicit ClipboardManager(bool silent) : m_silent(silent) {}
    bool nativeEventFilter(const QByteArray& type, void* message, long*) override {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type != "xcb_generic_event_t" || (event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            return false;
        const auto* request = static_cast<const xcb_selection_request_event_t*>(message);
        xcb_connection_t* c = QX11Info::connection();
        if (request->selection != intern(c, "CLIPBOARD_MANAGER"))
            return false;
        if (m_silent) {
            std::printf("asked\n");
            std::fflush(stdout);
            return true;
        }
        xcb_selection_notify_event_t answer{};
        answer.response_type = XCB_SELECTION_NOTIFY;
        answer.time = request->time;
        answer.requestor = request->requestor;
        answer.selection = request->selection;
        answer.target = request->target;
        answer.property = XCB_NONE;
        if (request->target == intern(c, "SAVE_TARGETS")) {
            // The listed targets, read on a second connection while this one waits.
            xcb_get_property_reply_t* listed =
                xcb_get_property_reply(c,
                                       xcb_get_property(c, 0, request->requestor, request->property,
                                                        XCB_ATOM_ATOM, 0, 1024),
                                       nullptr);
            const xcb_atom_t utf8 = intern(c, "UTF8_STRING");
            bool offered = false;
            if (listed) {
                const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(listed));
                for (int i = 0; i < xcb_get_property_value_length(listed) / 4; ++i)
                    offered = offered || atoms[i] == utf8;
                free(listed);
            }
            xcb_connection_t* reader = xcb_connect(nullptr, nullptr);
            const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(reader)).data;
            const xcb_window_t window = xcb_generate_id(reader);
            xcb_create_window(reader, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                              XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
            const QByteArray text =
                offered ? fetch(reader, window, intern(reader, "UTF8_STRING")) : QByteArray();
            xcb_disconnect(reader);
            if (!text.isEmpty()) {
                answer.property = request->property;
                QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
                std::printf("kept %s\n", text.constData());
            } else {
                std::printf("kept nothing\n");
            }
            std::fflush(stdout);
        }
        xcb_send_event(c, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&answer));
        xcb_flush(c);
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
    std::printf("manager\n");
    std::fflush(stdout);
    return QApplication::exec();
}

int grab(const QString& what) {
    // what: "ctrl+alt+d" style; enough for the tests' letters.
    xcb_connection_t* connection = QX11Info::connection();
    const QChar letter = what.back();
    uint16_t modifiers = 0;
    if (what.contains(QLatin1String("ctrl")))
        modifiers |= XCB_MOD_MASK_CONTROL;
    if (what.contains(QLatin1String("alt")))
        modifiers |= XCB_MOD_MASK_1;
    // Keycode of the letter: ask the server's mapping.
    const xcb_setup_t* setup = xcb_get_setup(connection);
    auto cookie = xcb_get_keyboard_mapping(connection, setup->min_keycode,
                                           setup->max_keycode - setup->min_keycode + 1);
    xcb_get_keyboard_mapping_reply_t* reply =
        xcb_get_keyboard_mapping_reply(connection, cookie, nullptr);
    if (!reply)
        return 2;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
    const int per = reply->keysyms_per_keycode;
    xcb_keycode_t keycode = 0;
    for (int code = setup->min_keycode; code <= setup->max_keycode && !keycode; ++code)
        if (syms[(code - setup->min_keycode) * per] == xcb_keysym_t(letter.toLower().unicode()))
            keycode = xcb_keycode_t(code);
    free(reply);
    if (!keycode)
        return 2;
    for (int locks :
         {0, int(XCB_MOD_MASK_LOCK), int(XCB_MOD_MASK_2), int(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2)})
        xcb_grab_key(connection, 1, QX11Info::appRootWindow(), uint16_t(modifiers | locks), keycode,
                     XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_flush(connection);
    std::printf("grabbed\n");
    std::fflush(stdout);
    return QApplication::exec();
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("make-image"))
        return sample_image().save(args.value(2), "PNG") ? 0 : 1;
    if (mode == QLatin1String("compare-images")) {
        const QImage a = QImage(args.value(2)).convertToFormat(QImage::Format_ARGB32);
        const QImage b = QImage(args.value(3)).convertToFormat(QImage::Format_ARGB32);
        return !a.isNull() && a == b ? 0 : 1;
    }
    if (mode == QLatin1String("keylog")) {
        KeyLogWindow window(args.value(2));
        window.show();
        return QApplication::exec();
    }
    if (mode == QLatin1String("pastelog")) {
        KeyLogWindow window(args.value(2), nullptr, true);
        window.show();
        return QApplication::exec();
    }
    if (mode == QLatin1String("keytime")) {
        RawPressClock clock;
        QCoreApplication::instance()->installNativeEventFilter(&clock);
        KeyLogWindow window(args.value(2), &clock);
        window.show();
        return QApplication::exec();
    }
    if (mode == QLatin1String("hang"))
        return hang();
    if (mode == QLatin1String("vanish"))
        return vanish();
    if (mode == QLatin1String("offer-image"))
        return offer_image(args.value(2));
    if (mode == QLatin1String("grab"))
        return grab(args.value(2));
    if (mode == QLatin1String("clipboard-manager"))
        return clipboard_manager(args.value(2) == QLatin1String("silent"));
    if (mode == QLatin1String("make-socket")) {
        // A socket file that stays after this process: something no capture may open.
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(args.value(2));
        if (path.size() >= int(sizeof(address.sun_path)))
            return 1;
        std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        return fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
                   ? 0
                   : 1;
    }
    if (mode == QLatin1String("offer"))
        return offer(args.mid(2));
    if (mode == QLatin1String("drip"))
        return hostile(HostileOwner::Mode::Drip);
    if (mode == QLatin1String("flood"))
        return hostile(HostileOwner::Mode::Flood);
    if (mode == QLatin1String("silent"))
        return hostile(HostileOwner::Mode::Silent);
    std::fprintf(stderr, "usage: e2e_peer "
                         "make-image|make-socket|compare-images|keylog|pastelog|keytime|grab|"
                         "vanish|hang|offer-image|offer|"
                         "drip|flood|silent|clipboard-manager ...\n");
    return 2;
}
