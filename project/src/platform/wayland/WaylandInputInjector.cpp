#include "WaylandInputInjector.h"

#include "WaylandConnection.h"
#include "common/AppLog.h"
#include "platform/VirtualKeys.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

#include <QElapsedTimer>

#include <linux/input-event-codes.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstring>

namespace {
// evdev codes are XKB key codes less 8.
constexpr int xkb_offset = 8;

quint32 now_ms() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return static_cast<quint32>(clock.elapsed());
}
} // namespace

WaylandInputInjector::WaylandInputInjector(WaylandConnection& wayland,
                                           SwayBindingMode binding_mode,
                                           std::function<void()> paste_read)
    : m_wayland(wayland), m_binding_mode(std::move(binding_mode)),
      m_paste_read(std::move(paste_read)) {}

WaylandInputInjector::~WaylandInputInjector() {
    if (m_keyboard)
        zwp_virtual_keyboard_v1_destroy(m_keyboard);
    if (m_state)
        xkb_state_unref(m_state);
    if (m_keymap)
        xkb_keymap_unref(m_keymap);
    if (m_context)
        xkb_context_unref(m_context);
    m_wayland.flush();
}

int WaylandInputInjector::evdev_code(int virtual_key) {
    switch (virtual_key) {
    case VirtualKeys::Shift:
        return KEY_LEFTSHIFT;
    case VirtualKeys::Control:
        return KEY_LEFTCTRL;
    case VirtualKeys::Alt:
        return KEY_LEFTALT;
    case VirtualKeys::PrintScreen:
        return KEY_SYSRQ;
    case VirtualKeys::B:
        return KEY_B;
    case VirtualKeys::C:
        return KEY_C;
    case VirtualKeys::V:
        return KEY_V;
    case VirtualKeys::X:
        return KEY_X;
    default:
        return 0;
    }
}

void WaylandInputInjector::unavailable(const QString& why) {
    if (!m_reported)
        APP_LOG(QStringLiteral("APP_LOG Wayland: keys cannot be typed here: %1").arg(why));
    m_reported = true;
}

bool WaylandInputInjector::ready() {
    if (m_keyboard)
        return true;
    if (!m_wayland.virtual_keyboard() || !m_wayland.seat()) {
        unavailable(QStringLiteral("the compositor offers no virtual keyboard"));
        return false;
    }
    // A US layout of our own: the keys we type are named by their position, and any layout has
    // Ctrl, Shift, Alt and the letters where this one has them.
    m_context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    m_keymap = m_context ? xkb_keymap_new_from_names(m_context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS)
                         : nullptr;
    char* text = m_keymap ? xkb_keymap_get_as_string(m_keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    if (!text) {
        unavailable(QStringLiteral("no keymap could be made (xkbcommon)"));
        return false;
    }
    const size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("corvana-keymap", MFD_CLOEXEC);
    const bool written = fd >= 0 && write(fd, text, size) == static_cast<ssize_t>(size);
    std::free(text);
    if (!written) {
        if (fd >= 0)
            close(fd);
        unavailable(QStringLiteral("the keymap could not be handed over"));
        return false;
    }
    m_state = xkb_state_new(m_keymap);
    m_keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        m_wayland.virtual_keyboard(), m_wayland.seat());
    zwp_virtual_keyboard_v1_keymap(m_keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<uint32_t>(size));
    close(fd);
    m_wayland.roundtrip();
    return true;
}

void WaylandInputInjector::send_key(int virtual_key, bool down) {
    const int code = evdev_code(virtual_key);
    if (code == 0 || !ready())
        return;
    if (down && m_down.isEmpty() && m_binding_mode.available()) {
        QString error;
        m_stroke_dropped = !m_binding_mode.enter(&error);
        // Typed anyway, our Ctrl+V would run the binding that asked for it, without end.
        if (m_stroke_dropped)
            APP_LOG(QStringLiteral("APP_LOG Wayland: no keys typed: %1").arg(error));
    }
    if (down == m_down.contains(code))
        return;
    if (down)
        m_down.insert(code);
    else
        m_down.remove(code);
    if (!m_stroke_dropped) {
        zwp_virtual_keyboard_v1_key(m_keyboard, now_ms(), static_cast<uint32_t>(code),
                                    down ? WL_KEYBOARD_KEY_STATE_PRESSED
                                         : WL_KEYBOARD_KEY_STATE_RELEASED);
        xkb_state_update_key(m_state, static_cast<xkb_keycode_t>(code + xkb_offset),
                             down ? XKB_KEY_DOWN : XKB_KEY_UP);
        zwp_virtual_keyboard_v1_modifiers(
            m_keyboard, xkb_state_serialize_mods(m_state, XKB_STATE_MODS_DEPRESSED),
            xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LATCHED),
            xkb_state_serialize_mods(m_state, XKB_STATE_MODS_LOCKED),
            xkb_state_serialize_layout(m_state, XKB_STATE_LAYOUT_EFFECTIVE));
    }
    if (!m_down.isEmpty())
        return;
    // The stroke is over: the compositor has taken it once the round trip returns, and only then
    // may its bindings apply again.
    const bool typed = !m_stroke_dropped;
    m_stroke_dropped = false;
    if (!typed)
        return;
    m_wayland.roundtrip();
    if (m_binding_mode.available())
        m_binding_mode.leave();
    if (m_paste_read)
        m_paste_read();
}
