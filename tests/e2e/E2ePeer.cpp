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

#include "PeerOwners.h"

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
        return hostile(HostileMode::Drip);
    if (mode == QLatin1String("flood"))
        return hostile(HostileMode::Flood);
    if (mode == QLatin1String("silent"))
        return hostile(HostileMode::Silent);
    if (mode == QLatin1String("read-two"))
        return read_two(args.value(2).toLatin1(), args.value(3).toLatin1());
    if (mode == QLatin1String("many-targets"))
        return many_targets(args.value(2).toInt(), args.value(3));
    std::fprintf(stderr, "usage: e2e_peer "
                         "make-image|make-socket|compare-images|keylog|pastelog|keytime|grab|"
                         "vanish|hang|offer-image|offer|read-two|"
                         "drip|flood|silent|many-targets|clipboard-manager|copy-then-paste ...\n");
    return 2;
}
