#include "WaylandInputInjector.h"

#include "WaylandConnection.h"
#include "common/AppLog.h"
#include "platform/VirtualKeys.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QElapsedTimer>

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {
// XKB key codes are evdev codes plus 8.
constexpr int evdev_offset = 8;

struct Key {
    int virtual_key;
    const char* name;
    int physical; // the code a PC keyboard sends
    int own;      // ours: codes past every key of a PC keyboard
    const char* symbols;
};

const Key keys[] = {
    {VirtualKeys::Control, "LCTL", 37, 37, "Control_L"},
    {VirtualKeys::Shift, "LFSH", 50, 50, "Shift_L"},
    {VirtualKeys::Alt, "LALT", 64, 64, "Alt_L"},
    {VirtualKeys::V, "AB04", 55, 250, "v, V"},
    {VirtualKeys::C, "AB03", 54, 251, "c, C"},
    {VirtualKeys::X, "AB02", 53, 252, "x, X"},
    {VirtualKeys::B, "AB05", 56, 253, "b, B"},
    {VirtualKeys::PrintScreen, "PRSC", 107, 254, "Print"},
};

// The modifier bits of XKB's real modifiers, as the compositor's keymap compiles them.
quint32 modifier_bit(int virtual_key) {
    switch (virtual_key) {
    case VirtualKeys::Shift:
        return 1u << 0;
    case VirtualKeys::Control:
        return 1u << 2;
    case VirtualKeys::Alt:
        return 1u << 3;
    default:
        return 0;
    }
}

quint32 now_ms() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return static_cast<quint32>(clock.elapsed());
}
} // namespace

WaylandInputInjector::WaylandInputInjector(WaylandConnection& wayland, Codes codes,
                                           std::function<void()> before_stroke,
                                           std::function<void()> paste_read)
    : m_wayland(wayland), m_codes(codes), m_before_stroke(std::move(before_stroke)),
      m_paste_read(std::move(paste_read)) {}

WaylandInputInjector::~WaylandInputInjector() {
    if (m_keyboard)
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
    m_wayland.flush();
}

int WaylandInputInjector::key_code(int virtual_key, Codes codes) {
    for (const Key& key : keys) {
        if (key.virtual_key == virtual_key)
            return codes == Codes::Own ? key.own : key.physical;
    }
    return 0;
}

QByteArray WaylandInputInjector::keymap(Codes codes) {
    QByteArray names, symbols;
    for (const Key& key : keys) {
        names += QByteArray("<") + key.name +
                 "> = " + QByteArray::number(codes == Codes::Own ? key.own : key.physical) + ";\n";
        symbols += QByteArray("key <") + key.name + "> { [ " + key.symbols + " ] };\n";
    }
    return "xkb_keymap {\nxkb_keycodes \"corvana\" {\nminimum = 8;\nmaximum = 255;\n" + names +
           "};\nxkb_types \"corvana\" { include \"complete\" };\n"
           "xkb_compatibility \"corvana\" { include \"complete\" };\n"
           "xkb_symbols \"corvana\" {\n" +
           symbols +
           "modifier_map Control { <LCTL> };\nmodifier_map Shift { <LFSH> };\n"
           "modifier_map Mod1 { <LALT> };\n};\n};\n";
}

bool WaylandInputInjector::ready() {
    if (m_keyboard)
        return true;
    const auto unavailable = [this](const QString& why) {
        if (!m_reported)
            APP_LOG(QStringLiteral("APP_LOG Wayland: keys cannot be typed here: %1").arg(why));
        m_reported = true;
        return false;
    };
    if (!m_wayland.virtual_keyboard() || !m_wayland.seat())
        return unavailable(QStringLiteral("the compositor offers no virtual keyboard"));
    const QByteArray text = keymap(m_codes);
    const auto size = static_cast<size_t>(text.size()) + 1; // with its terminating zero
    const int fd = memfd_create("corvana-keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text.constData(), size) != static_cast<ssize_t>(size)) {
        if (fd >= 0)
            close(fd);
        return unavailable(QStringLiteral("the keymap could not be handed over"));
    }
    m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        m_wayland.virtual_keyboard(), m_wayland.seat());
    zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<uint32_t>(size));
    close(fd);
    m_wayland.roundtrip();
    return true;
}

void WaylandInputInjector::send_key(int virtual_key, bool down) {
    const int code = key_code(virtual_key, m_codes);
    if (code == 0 || !ready() || down == m_down.contains(virtual_key))
        return;
    if (down && m_down.isEmpty() && m_before_stroke)
        m_before_stroke();
    if (down)
        m_down.insert(virtual_key);
    else
        m_down.remove(virtual_key);
    zwp_virtual_keyboard_v1_key(m_keyboard, now_ms(), static_cast<uint32_t>(code - evdev_offset),
                                down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                     : WL_KEYBOARD_KEY_STATE_RELEASED);
    quint32 modifiers = 0;
    for (const int held : qAsConst(m_down))
        modifiers |= modifier_bit(held);
    zwp_virtual_keyboard_v1_modifiers(m_keyboard, modifiers, 0, 0, 0);
    if (!m_down.isEmpty())
        return;
    // The stroke is over: once the round trip returns the compositor has passed it on.
    m_wayland.roundtrip();
    if (m_paste_read)
        m_paste_read();
}
