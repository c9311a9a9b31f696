// A small X client the end-to-end tests drive Corvana with: makes and compares images, shows a
// window that logs the keys it receives, and holds a key grab as another program would.
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
#include <QWidget>
#include <QX11Info>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <xcb/xcb.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

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

xcb_atom_t intern(const char* name) {
    xcb_connection_t* connection = QX11Info::connection();
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(qstrlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
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
        xcb_selection_notify_event_t notify = {};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request->time;
        notify.requestor = request->requestor;
        notify.selection = request->selection;
        notify.target = request->target;
        notify.property = property;
        xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&notify));
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

int grab(const QString& what) {
    // what: "ctrl+alt+d" style; enough for the tests' letters.
    xcb_connection_t* connection = QX11Info::connection();
    const QChar letter = what.back();
    uint16_t modifiers = 0;
    if (what.contains(QLatin1String("ctrl")))
        modifiers |= XCB_MOD_MASK_CONTROL;
    if (what.contains(QLatin1String("alt")))
        modifiers |= XCB_MOD_MASK_1;
    const xcb_keycode_t keycode = keycode_of(xcb_keysym_t(letter.toLower().unicode()));
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
    if (mode == QLatin1String("copy-then-paste"))
        return copy_then_paste(args.value(2), args.value(3));
    std::fprintf(stderr,
                 "usage: e2e_peer "
                 "make-image|compare-images|keylog|pastelog|keytime|grab|vanish|hang|offer-image|"
                 "copy-then-paste ...\n");
    return 2;
}
