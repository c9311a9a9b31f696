#include "X11Keyboard.h"

#include "MonotonicClock.h"
#include "X11Connection.h"
#include "X11KeyMap.h"
#include "X11KeyboardWatchdog.h"
#include "X11RootInputSelection.h"
#include "platform/PasteHold.h"
#include "platform/VirtualKeys.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QtDebug>

#include <X11/keysym.h>
#include <xcb/xinput.h>

#include <cstdlib>

namespace {

constexpr uint32_t raw_key_mask =
    XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE;

// How long a raw Ctrl+V press waits for its grab event before it is reported anyway (another
// client may hold the keyboard, so our passive grab cannot activate).
constexpr int grab_wait_ms = 50;

} // namespace

X11Keyboard::X11Keyboard(const X11Connection& x11, PasteHold& hold, QObject* parent)
    : Keyboard(parent), m_x11(x11), m_key_map(x11.key_map()), m_hold(hold) {
    m_grab_wait.setSingleShot(true);
    m_grab_wait.setInterval(grab_wait_ms);
    connect(&m_grab_wait, &QTimer::timeout, this, &X11Keyboard::on_grab_wait_expired);
    // While a press is held, the watchdog hears from us every 10 ms: silence means we are stuck.
    m_beat.setInterval(10);
    connect(&m_beat, &QTimer::timeout, this, [this] {
        if (m_watchdog)
            m_watchdog->beat();
    });
    m_hold_timer.setSingleShot(true);
    m_hold_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_hold_timer, &QTimer::timeout, this, &X11Keyboard::hold_changed);
    connect(m_key_map.get(), &X11KeyMap::changed, this, [this] {
        if (!m_hooked)
            return;
        grab_paste_keys();
        grab_print_keys();
    });

    m_connection = x11.connection();
    if (!m_connection) {
        qWarning("X11Keyboard: no X connection, key presses cannot be seen");
        return;
    }
    m_root = x11.root();
    m_watchdog = std::make_unique<X11KeyboardWatchdog>(m_connection);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Keyboard::~X11Keyboard() {
    if (m_hooked)
        set_hooked(false);
}

bool X11Keyboard::set_hooked(bool on) {
    if (on == m_hooked)
        return m_hooked;
    if (!on) {
        drop_strokes();
        m_paste_grabs.clear();
        m_print_grabs.clear();
        if (m_raw_events)
            m_x11.root_input().remove(raw_key_mask);
        m_raw_events = false;
        m_hooked = false;
        if (m_connection)
            xcb_flush(m_connection);
        qDebug("Keyboard unhooked");
        return false;
    }

    if (!m_connection || !m_key_map->valid()) {
        qWarning("X11Keyboard: cannot hook the keyboard without an X keyboard mapping");
        return false;
    }
    m_raw_events = m_x11.root_input().add(raw_key_mask);
    if (m_raw_events) {
        m_xinput_opcode = m_x11.root_input().opcode();
        m_down_now.reset();
        xcb_query_keymap_reply_t* keys =
            xcb_query_keymap_reply(m_connection, xcb_query_keymap(m_connection), nullptr);
        if (keys) {
            for (size_t keycode = 0; keycode < 256; ++keycode) {
                if (keys->keys[keycode / 8] & (1 << (keycode % 8)))
                    m_down_now.set(keycode);
            }
            std::free(keys);
        }
        m_down_reported = m_down_now;
    } else {
        qWarning("X11Keyboard: no XInput2 raw key events, only Ctrl+V will be reported");
    }
    m_hooked = true;
    grab_paste_keys();
    grab_print_keys();
    if (!m_raw_events && m_paste_grabs.empty()) {
        qWarning("X11Keyboard: neither raw key events nor the Ctrl+V grab, keyboard not hooked");
        m_print_grabs.clear();
        m_hooked = false;
        return false;
    }
    qDebug("Keyboard hooked");
    return true;
}

void X11Keyboard::set_print_screen_swallowed(bool on) {
    // Called on every display refresh: grabbing again would leave a moment without the grab.
    if (on == m_print_swallowed)
        return;
    m_print_swallowed = on;
    if (m_hooked)
        grab_print_keys();
}

bool X11Keyboard::tracks_keys() const {
    return m_hooked && m_raw_events;
}

bool X11Keyboard::is_keycode_down(xcb_keycode_t keycode) const {
    return m_down_reported.test(keycode);
}

// Whatever the dispatch takes for a paste: Ctrl+V with any other modifiers but Shift.
bool X11Keyboard::is_paste_combination(uint16_t modifiers) {
    return (modifiers & XCB_MOD_MASK_CONTROL) && !(modifiers & XCB_MOD_MASK_SHIFT);
}

void X11Keyboard::grab_paste_keys() {
    m_paste_grabs.clear();
    if (!m_hooked)
        return;
    const QVector<uint16_t> locks = m_key_map->lock_combinations();
    QVector<uint16_t> extras; // Alt, Super, AltGr...: the modifiers that are not locks
    for (uint16_t bit :
         {XCB_MOD_MASK_1, XCB_MOD_MASK_2, XCB_MOD_MASK_3, XCB_MOD_MASK_4, XCB_MOD_MASK_5}) {
        if (!(m_key_map->lock_mask() & bit))
            extras.append(bit);
    }
    for (const X11KeyMap::Position& position : m_key_map->paste_positions()) {
        // One grab per combination, so that another program's hold on Ctrl+Alt+V costs only
        // that one.
        for (int subset = 0; subset < (1 << extras.size()); ++subset) {
            uint16_t modifiers = XCB_MOD_MASK_CONTROL;
            for (int i = 0; i < extras.size(); ++i) {
                if (subset & (1 << i))
                    modifiers |= extras[i];
            }
            QVector<uint16_t> masks;
            for (uint16_t lock : locks)
                masks.append(uint16_t(modifiers | lock));
            X11KeyGrab grab(m_x11, position.keycode, masks, true);
            if (grab.active())
                m_paste_grabs.push_back(std::move(grab));
            else if (subset == 0)
                qWarning("X11Keyboard: Ctrl+V grab on keycode %d refused: %s", position.keycode,
                         qPrintable(grab.error()));
        }
    }
    if (m_paste_grabs.empty())
        qWarning("X11Keyboard: Ctrl+V is not grabbed, pastes are reported late");
    if (m_watchdog) {
        std::bitset<256> keycodes;
        for (const X11KeyGrab& grab : m_paste_grabs)
            keycodes.set(grab.keycode());
        m_watchdog->set_paste_keycodes(keycodes);
    }
}

void X11Keyboard::grab_print_keys() {
    m_print_grabs.clear();
    if (!m_hooked || !m_print_swallowed)
        return;
    for (const X11KeyMap::Position& position : m_key_map->positions(XK_Print)) {
        if (position.level != 0)
            continue;
        X11KeyGrab grab(m_x11, position.keycode, {uint16_t(XCB_MOD_MASK_ANY)}, false);
        if (grab.active())
            m_print_grabs.push_back(std::move(grab));
        else
            qWarning("X11Keyboard: Print grab on keycode %d refused: %s", position.keycode,
                     qPrintable(grab.error()));
    }
}

bool X11Keyboard::nativeEventFilter(const QByteArray& event_type, void* message, long*) {
    if (event_type != "xcb_generic_event_t" || !m_hooked)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_GE_GENERIC: {
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (!m_raw_events || generic->extension != m_xinput_opcode)
            return false;
        if (generic->event_type != XCB_INPUT_RAW_KEY_PRESS &&
            generic->event_type != XCB_INPUT_RAW_KEY_RELEASE)
            return false;
        const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
        const bool press = generic->event_type == XCB_INPUT_RAW_KEY_PRESS;
        const auto keycode = xcb_keycode_t(raw->detail);
        if (!m_copies.is_copy(keycode, raw->time, press, false))
            on_raw_key(keycode, raw->time, press);
        return true;
    }
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE: {
        // Both events share one layout.
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (key->event != m_root)
            return false;
        return on_root_key(key, (event->response_type & 0x7f) == XCB_KEY_PRESS);
    }
    default:
        return false;
    }
}

bool X11Keyboard::on_root_key(const xcb_key_press_event_t* key, bool press) {
    if (press) {
        const uint16_t modifiers = key->state & 0xff & ~m_key_map->lock_mask();
        if (is_paste_combination(modifiers) && is_paste_key(key->detail)) {
            on_paste_grab(key->detail, key->time);
            return true;
        }
    }
    // Key events on the root come to us only while one of our grabs is active, and then the
    // server sends us no raw events: these stand in for them.
    if (m_raw_events && !m_copies.is_copy(key->detail, key->time, press, true))
        on_raw_key(key->detail, key->time, press);
    // Print is reported from its raw event; the grab is only there to keep it from others.
    if (!is_print_key(key->detail))
        return false;
    if (press)
        m_x11.active_grab().activated(key->detail);
    else
        m_x11.active_grab().key_released(key->detail);
    return true;
}

void X11Keyboard::on_raw_key(xcb_keycode_t keycode, xcb_timestamp_t time, bool press) {
    Stroke stroke;
    stroke.keycode = keycode;
    stroke.time = time;
    stroke.press = press;
    if (!press) {
        m_down_now.reset(keycode);
        m_strokes.push_back(stroke);
        pump();
        return;
    }
    m_down_now.set(keycode);
    // The grab's copy of this press may have come first (reported, or held frozen).
    bool grabbed_first = m_copies.take_reported(keycode, time, true);
    for (Stroke& queued : m_strokes) {
        if (grabbed_first)
            break;
        if (queued.frozen && !queued.matched && queued.keycode == keycode && queued.time == time) {
            queued.matched = true;
            grabbed_first = true;
        }
    }
    stroke.report = !grabbed_first;
    if (stroke.report && is_paste_key(keycode)) {
        const uint16_t held = m_key_map->modifiers_held(m_down_now) & ~m_key_map->lock_mask();
        stroke.awaits_grab = is_paste_combination(held);
    }
    m_strokes.push_back(stroke);
    pump();
}

void X11Keyboard::on_paste_grab(xcb_keycode_t keycode, xcb_timestamp_t time) {
    if (m_copies.take_reported(keycode, time, false)) {
        // Reported from the raw event when the grab was late; only let the program have it.
        replay(time);
        return;
    }
    bool found = false;
    for (Stroke& stroke : m_strokes) {
        if (stroke.press && stroke.report && !stroke.frozen && !stroke.matched &&
            stroke.keycode == keycode && stroke.time == time) {
            stroke.frozen = true;
            stroke.frozen_at = monotonic_ms();
            stroke.matched = true;
            found = true;
            break;
        }
        // Events come in order: an earlier raw press gets no grab event any more.
        if (stroke.awaits_grab)
            stroke.timed_out = true;
    }
    if (!found) {
        Stroke stroke;
        stroke.keycode = keycode;
        stroke.time = time;
        stroke.press = true;
        stroke.report = true;
        stroke.frozen = true;
        stroke.frozen_at = monotonic_ms();
        m_strokes.push_back(stroke);
    }
    if (m_watchdog && !m_watchdog->claim(time)) {
        drop_released(keycode, time);
        return;
    }
    m_beat.start();
    pump();
}

void X11Keyboard::drop_released(xcb_keycode_t keycode, xcb_timestamp_t time) {
    // The watchdog let it through while we were busy: the program has had it, without its
    // entry. Not reported, so the position stays and the next Ctrl+V pastes that entry.
    qWarning("Keyboard: Ctrl+V went on without its paste while the program was busy");
    for (auto it = m_strokes.begin(); it != m_strokes.end(); ++it) {
        if (it->frozen && it->keycode == keycode && it->time == time) {
            m_down_reported.set(keycode, true);
            m_strokes.erase(it);
            break;
        }
    }
    // Its raw copy, should it still come, is not a press to report either.
    m_copies.reported(keycode, time, true);
    if (m_watchdog)
        m_watchdog->finished(time);
    pump();
}

void X11Keyboard::on_grab_wait_expired() {
    if (!m_strokes.empty() && m_strokes.front().awaits_grab)
        m_strokes.front().timed_out = true;
    pump();
}

void X11Keyboard::hold_changed() {
    if (!m_strokes.empty() && m_strokes.front().frozen)
        pump();
}

// Hands the queued strokes on in order. A report is synchronous: the dispatch, clipboard update
// included, is done when emit returns, and only then may a frozen press reach the program.
void X11Keyboard::pump() {
    if (m_pumping)
        return;
    m_pumping = true;
    while (!m_strokes.empty()) {
        const Stroke stroke = m_strokes.front();
        if (stroke.awaits_grab && !stroke.frozen && !stroke.timed_out) {
            if (!m_grab_wait.isActive())
                m_grab_wait.start();
            break;
        }
        if (stroke.frozen && m_watchdog && m_watchdog->released(stroke.time)) {
            m_pumping = false;
            drop_released(stroke.keycode, stroke.time);
            return;
        }
        // The previous paste is still being read: keep the keyboard frozen (later keys queue in
        // the server) until it is over, or the cap has passed.
        qint64 held = 0;
        if (stroke.frozen) {
            const qint64 now = monotonic_ms();
            held = now - stroke.frozen_at;
            if (!m_hold.may_release(now, stroke.frozen_at)) {
                m_hold_timer.start(
                    int(std::max<qint64>(1, m_hold.release_due(stroke.frozen_at) - now)));
                break;
            }
        }
        if (stroke.frozen && m_watchdog && !m_watchdog->begin_report(stroke.time)) {
            m_pumping = false;
            drop_released(stroke.keycode, stroke.time);
            return;
        }
        m_strokes.pop_front();
        m_grab_wait.stop();
        m_down_reported.set(stroke.keycode, stroke.press);
        if (stroke.press && stroke.report) {
            // A frozen stroke came from the grab; its raw copy, if any, was matched already
            // (matched) or may still come (!matched).
            if (is_paste_key(stroke.keycode) && !(stroke.frozen && stroke.matched))
                m_copies.reported(stroke.keycode, stroke.time, stroke.frozen);
            m_x11.set_time(stroke.time);
            const int key = m_key_map->virtual_key(stroke.keycode);
            if ((key == VirtualKeys::C || key == VirtualKeys::X) &&
                (m_key_map->modifiers_held(m_down_reported) & XCB_MOD_MASK_CONTROL))
                m_hold.copy_key_pressed();
            if (stroke.frozen)
                m_hold.paste_pressed();
            emit signal_key_pressed(key, 0);
        }
        if (stroke.frozen) {
            m_hold_timer.stop();
            replay(stroke.time);
            if (m_watchdog)
                m_watchdog->finished(stroke.time);
            if (held > 0)
                qDebug("Keyboard: paste key held %lld ms for the previous paste", held);
            const quint32 target = m_focus_client ? m_focus_client() : 0;
            m_hold.paste_released(monotonic_ms(), target);
            qDebug("Keyboard: paste key went to client 0x%x at %lld", target, monotonic_ms());
        }
    }
    m_pumping = false;
    bool holding = false;
    for (const Stroke& stroke : m_strokes)
        holding = holding || stroke.frozen;
    if (!holding)
        m_beat.stop();
}

void X11Keyboard::replay(xcb_timestamp_t time) {
    if (!m_connection)
        return;
    xcb_allow_events(m_connection, XCB_ALLOW_REPLAY_KEYBOARD, time);
    xcb_flush(m_connection);
}

void X11Keyboard::drop_strokes() {
    // Never leave the keyboard frozen behind us.
    for (const Stroke& stroke : m_strokes) {
        if (stroke.frozen)
            replay(stroke.time);
    }
    m_strokes.clear();
    m_grab_wait.stop();
    m_hold_timer.stop();
}

bool X11Keyboard::is_paste_key(xcb_keycode_t keycode) const {
    for (const X11KeyGrab& grab : m_paste_grabs) {
        if (grab.keycode() == keycode)
            return true;
    }
    return false;
}

bool X11Keyboard::is_print_key(xcb_keycode_t keycode) const {
    for (const X11KeyGrab& grab : m_print_grabs) {
        if (grab.keycode() == keycode)
            return true;
    }
    return false;
}
