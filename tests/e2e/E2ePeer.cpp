// A small X client the end-to-end tests drive Corvana with: shows a window that logs the keys it
// receives, holds a key grab as another program would, and owns the clipboard as well-behaved,
// hung, vanishing and hostile programs do (PeerOwners.cpp).
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>
#include <QX11Info>
#include <cstdio>
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

int grab(const QString& what) {
    // what: "ctrl+alt+d" style; enough for the tests' letters.
    xcb_connection_t* connection = QX11Info::connection();
    const QChar letter = what.back();
    const int modifiers = (what.contains(QLatin1String("ctrl")) ? XCB_MOD_MASK_CONTROL : 0) |
                          (what.contains(QLatin1String("alt")) ? XCB_MOD_MASK_1 : 0);
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

int key_log(const QString& path, bool with_clipboard, bool timed) {
    RawPressClock clock;
    if (timed)
        QCoreApplication::instance()->installNativeEventFilter(&clock);
    KeyLogWindow window(path, timed ? &clock : nullptr, with_clipboard);
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    QMap<QString, std::function<int()>> modes = owner_modes(a);
    modes.insert("keylog", [&] { return key_log(a.value(2), false, false); });
    modes.insert("pastelog", [&] { return key_log(a.value(2), true, false); });
    modes.insert("keytime", [&] { return key_log(a.value(2), false, true); });
    modes.insert("grab", [&] { return grab(a.value(2)); });
    if (const auto mode = modes.find(a.value(1)); mode != modes.end())
        return (*mode)();
    std::fprintf(stderr, "usage: e2e_peer %s ...\n", qPrintable(modes.keys().join('|')));
    return 2;
}
