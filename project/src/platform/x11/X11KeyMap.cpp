#include "X11KeyMap.h"

#include "X11Connection.h"
#include "X11KeySymbols.h"

#include <QCoreApplication>
#include <QtDebug>

#include <X11/keysym.h>

#include <cstdlib>
#include <memory>

namespace {

// XKB event codes (second byte of an XKB event); xcb-xkb is not needed just for these.
constexpr uint8_t xkb_new_keyboard_notify = 0;
constexpr uint8_t xkb_map_notify = 1;

} // namespace

X11KeyMap::X11KeyMap(const X11Connection& x11, QObject* parent)
    : QObject(parent), m_connection(x11.connection()) {
    m_refresh_timer.setSingleShot(true);
    m_refresh_timer.setInterval(0);
    connect(&m_refresh_timer, &QTimer::timeout, this, &X11KeyMap::refresh_now);

    if (!m_connection) {
        qWarning("X11KeyMap: no X connection, keyboard mapping unknown");
        return;
    }
    // Qt has XKB enabled on this connection; such a client may get XKB map events instead of
    // core MappingNotify for some changes (a keyboard of another layout being used).
    if (x11.xkb().present)
        m_xkb_first_event = x11.xkb().first_event;
    reload();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11KeyMap::~X11KeyMap() = default;

bool X11KeyMap::valid() const {
    ensure_fresh();
    return m_valid;
}

xcb_keysym_t X11KeyMap::keysym(xcb_keycode_t keycode, int level) const {
    ensure_fresh();
    return m_levels[keycode][level == 0 ? 0 : 1];
}

QVector<X11KeyMap::Position> X11KeyMap::positions(xcb_keysym_t keysym) const {
    ensure_fresh();
    QVector<Position> found;
    if (keysym == XK_VoidSymbol || keysym == 0)
        return found;
    for (int keycode = 0; keycode < 256; ++keycode) {
        for (int level = 0; level < 2; ++level) {
            if (m_levels[keycode][level] == keysym) {
                found.append({xcb_keycode_t(keycode), level});
                break;
            }
        }
    }
    return found;
}

QVector<X11KeyMap::Position> X11KeyMap::paste_positions() const {
    QVector<Position> found;
    for (const Position& position : positions(XK_v)) {
        if (position.level == 0)
            found.append(position);
    }
    for (int keycode = 0; keycode < 256; ++keycode) {
        if (m_latin_fallback[keycode] == XK_v)
            found.append({xcb_keycode_t(keycode), 0});
    }
    return found;
}

int X11KeyMap::virtual_key(xcb_keycode_t keycode) const {
    ensure_fresh();
    return m_virtual_keys[keycode];
}

QVector<xcb_keycode_t> X11KeyMap::keycodes_for_virtual_key(int virtual_key) const {
    ensure_fresh();
    QVector<xcb_keycode_t> keycodes;
    if (virtual_key == 0)
        return keycodes;
    for (int keycode = 0; keycode < 256; ++keycode) {
        if (m_virtual_keys[keycode] == virtual_key)
            keycodes.append(xcb_keycode_t(keycode));
    }
    return keycodes;
}

uint16_t X11KeyMap::modifiers_held(const std::bitset<256>& down) const {
    ensure_fresh();
    uint16_t mask = 0;
    for (int keycode = 0; keycode < 256; ++keycode) {
        if (down.test(size_t(keycode)))
            mask |= m_modifiers[keycode];
    }
    return mask;
}

uint16_t X11KeyMap::lock_mask() const {
    ensure_fresh();
    return uint16_t(XCB_MOD_MASK_LOCK | m_num_lock | m_scroll_lock);
}

QVector<uint16_t> X11KeyMap::lock_combinations() const {
    ensure_fresh();
    QVector<uint16_t> locks;
    for (uint16_t lock : {uint16_t(XCB_MOD_MASK_LOCK), m_num_lock, m_scroll_lock}) {
        if (lock != 0 && !locks.contains(lock))
            locks.append(lock);
    }
    QVector<uint16_t> combinations;
    for (int subset = 0; subset < (1 << locks.size()); ++subset) {
        uint16_t mask = 0;
        for (int i = 0; i < locks.size(); ++i) {
            if (subset & (1 << i))
                mask |= locks[i];
        }
        if (!combinations.contains(mask))
            combinations.append(mask);
    }
    return combinations;
}

bool X11KeyMap::nativeEventFilter(const QByteArray& event_type, void* message, long*) {
    if (event_type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        if (mapping->request == XCB_MAPPING_MODIFIER || mapping->request == XCB_MAPPING_KEYBOARD)
            schedule_refresh();
    } else if (m_xkb_first_event != 0 && type == m_xkb_first_event) {
        // The XKB event code sits where a core event has its detail byte.
        const uint8_t xkb_type = event->pad0;
        if (xkb_type == xkb_new_keyboard_notify || xkb_type == xkb_map_notify)
            schedule_refresh();
    }
    return false; // Qt keeps its own keymap up to date from the same events
}

void X11KeyMap::schedule_refresh() {
    m_dirty = true;
    m_refresh_timer.start();
}

void X11KeyMap::refresh_now() {
    ensure_fresh();
    if (m_changed_pending) {
        m_changed_pending = false;
        emit changed();
    }
}

void X11KeyMap::ensure_fresh() const {
    if (m_dirty)
        const_cast<X11KeyMap*>(this)->reload();
}

void X11KeyMap::reload() {
    m_dirty = false;
    xcb_connection_t* connection = m_connection;
    if (!connection)
        return;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_keycode_t min_keycode = setup->min_keycode;
    const xcb_keycode_t max_keycode = setup->max_keycode;
    auto keyboard_cookie =
        xcb_get_keyboard_mapping(connection, min_keycode, uint8_t(max_keycode - min_keycode + 1));
    auto modifier_cookie = xcb_get_modifier_mapping(connection);
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> keyboard(
        xcb_get_keyboard_mapping_reply(connection, keyboard_cookie, nullptr), &std::free);
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> modifiers(
        xcb_get_modifier_mapping_reply(connection, modifier_cookie, nullptr), &std::free);
    if (!keyboard || !modifiers) {
        qWarning("X11KeyMap: the server did not send its keyboard mapping");
        m_valid = false;
        return;
    }

    std::array<std::array<xcb_keysym_t, 2>, 256> levels{};
    std::array<uint8_t, 256> modifier_bits{};
    std::array<int, 256> virtual_keys{};
    std::array<xcb_keysym_t, 256> latin_fallback{};
    uint16_t num_lock = 0;
    uint16_t scroll_lock = 0;

    const int per_keycode = keyboard->keysyms_per_keycode;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(keyboard.get());
    const int keysym_count = xcb_get_keyboard_mapping_keysyms_length(keyboard.get());
    std::array<bool, 256> is_num_lock{};
    std::array<bool, 256> is_scroll_lock{};
    for (int keycode = min_keycode; per_keycode > 0 && keycode <= max_keycode; ++keycode) {
        const int first = (keycode - min_keycode) * per_keycode;
        if (first + per_keycode > keysym_count)
            break;
        const xcb_keysym_t* list = keysyms + first;
        xcb_keysym_t level0 = list[0];
        xcb_keysym_t level1 = per_keycode > 1 ? list[1] : 0;
        // A key listing one keysym gives it on both levels (upper case for a letter).
        if (level1 == 0)
            level1 = X11KeySymbols::upper_case(level0);
        levels[keycode] = {level0, level1};
        virtual_keys[keycode] = X11KeySymbols::virtual_key(level0);
        // The core mapping lists the second group's keysyms third and fourth. Programs take
        // Ctrl with a non-Latin letter as Ctrl with the letter of the first Latin group.
        const bool non_latin_letter =
            level0 > 0xff && level0 < 0x1000000 && X11KeySymbols::virtual_key(level0) == 0;
        if (non_latin_letter && per_keycode > 2) {
            const xcb_keysym_t other = list[2];
            if ((other >= XK_a && other <= XK_z)) {
                latin_fallback[keycode] = other;
                virtual_keys[keycode] = X11KeySymbols::virtual_key(other);
            }
        }
        for (int i = 0; i < per_keycode; ++i) {
            is_num_lock[keycode] = is_num_lock[keycode] || list[i] == XK_Num_Lock;
            is_scroll_lock[keycode] = is_scroll_lock[keycode] || list[i] == XK_Scroll_Lock;
        }
    }

    const int per_modifier = modifiers->keycodes_per_modifier;
    const xcb_keycode_t* modifier_keys = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int modifier_key_count = xcb_get_modifier_mapping_keycodes_length(modifiers.get());
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < per_modifier; ++i) {
            const int index = modifier * per_modifier + i;
            if (index >= modifier_key_count)
                break;
            const xcb_keycode_t keycode = modifier_keys[index];
            if (keycode == 0)
                continue;
            modifier_bits[keycode] |= uint8_t(1 << modifier);
            if (is_num_lock[keycode])
                num_lock |= uint16_t(1 << modifier);
            if (is_scroll_lock[keycode])
                scroll_lock |= uint16_t(1 << modifier);
        }
    }
    // NumLock or ScrollLock mapped onto Shift, Lock or Control would make no sense to strip.
    const uint16_t basic = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_CONTROL;
    num_lock &= uint16_t(~basic);
    scroll_lock &= uint16_t(~basic);

    const bool differs = !m_valid || levels != m_levels || modifier_bits != m_modifiers ||
                         latin_fallback != m_latin_fallback || num_lock != m_num_lock ||
                         scroll_lock != m_scroll_lock;
    m_levels = levels;
    m_modifiers = modifier_bits;
    m_virtual_keys = virtual_keys;
    m_latin_fallback = latin_fallback;
    m_num_lock = num_lock;
    m_scroll_lock = scroll_lock;
    if (m_valid && differs)
        m_changed_pending = true;
    m_valid = true;
}
