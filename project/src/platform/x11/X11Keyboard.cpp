#include "X11Keyboard.h"

#include "X11ActiveGrab.h"
#include "X11KeyMap.h"
#include "X11RootInputSelection.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QX11Info>
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
// The longest a paste is held back while the previous one has not been fetched yet.
constexpr int fetch_deadline_ms = 150;
constexpr size_t reported_memory = 64;

xcb_atom_t intern(xcb_connection_t* connection, xcb_intern_atom_cookie_t cookie) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

bool owns_clipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           QGuiApplication::clipboard()->ownsClipboard();
}

} // namespace

X11Keyboard::X11Keyboard(std::shared_ptr<X11KeyMap> key_map, QObject* parent)
    : Keyboard(parent), key_map_(std::move(key_map)) {
    grab_wait_.setSingleShot(true);
    grab_wait_.setInterval(grab_wait_ms);
    connect(&grab_wait_, &QTimer::timeout, this, &X11Keyboard::on_grab_wait_expired);
    fetch_deadline_.setSingleShot(true);
    fetch_deadline_.setInterval(fetch_deadline_ms);
    connect(&fetch_deadline_, &QTimer::timeout, this, &X11Keyboard::on_fetch_deadline);
    connect(key_map_.get(), &X11KeyMap::changed, this, [this] {
        if (!hooked_)
            return;
        grab_paste_keys();
        grab_print_keys();
    });

    connection_ = QX11Info::isPlatformX11() ? QX11Info::connection() : nullptr;
    if (!connection_) {
        qWarning("X11Keyboard: no X connection, key presses cannot be seen");
        return;
    }
    root_ = xcb_window_t(QX11Info::appRootWindow());
    auto clipboard = xcb_intern_atom(connection_, 0, 9, "CLIPBOARD");
    auto targets = xcb_intern_atom(connection_, 0, 7, "TARGETS");
    clipboard_atom_ = intern(connection_, clipboard);
    targets_atom_ = intern(connection_, targets);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Keyboard::~X11Keyboard() {
    if (hooked_)
        set_hooked(false);
}

bool X11Keyboard::set_hooked(bool on) {
    if (on == hooked_)
        return hooked_;
    if (!on) {
        drop_strokes();
        paste_grabs_.clear();
        print_grabs_.clear();
        if (raw_events_)
            X11RootInputSelection::remove(raw_key_mask);
        raw_events_ = false;
        hooked_ = false;
        if (connection_)
            xcb_flush(connection_);
        qDebug("Keyboard unhooked");
        return false;
    }

    if (!connection_ || !key_map_->valid()) {
        qWarning("X11Keyboard: cannot hook the keyboard without an X keyboard mapping");
        return false;
    }
    raw_events_ = X11RootInputSelection::add(raw_key_mask);
    if (raw_events_) {
        xinput_opcode_ = X11RootInputSelection::opcode();
        down_now_.reset();
        xcb_query_keymap_reply_t* keys =
            xcb_query_keymap_reply(connection_, xcb_query_keymap(connection_), nullptr);
        if (keys) {
            for (size_t keycode = 0; keycode < 256; ++keycode) {
                if (keys->keys[keycode / 8] & (1 << (keycode % 8)))
                    down_now_.set(keycode);
            }
            std::free(keys);
        }
        down_reported_ = down_now_;
    } else {
        qWarning("X11Keyboard: no XInput2 raw key events, only Ctrl+V will be reported");
    }
    hooked_ = true;
    grab_paste_keys();
    grab_print_keys();
    if (!raw_events_ && paste_grabs_.empty()) {
        qWarning("X11Keyboard: neither raw key events nor the Ctrl+V grab, keyboard not hooked");
        print_grabs_.clear();
        hooked_ = false;
        return false;
    }
    qDebug("Keyboard hooked");
    return true;
}

void X11Keyboard::set_print_screen_swallowed(bool on) {
    print_swallowed_ = on;
    if (hooked_)
        grab_print_keys();
}

bool X11Keyboard::tracks_keys() const {
    return hooked_ && raw_events_;
}

bool X11Keyboard::is_keycode_down(xcb_keycode_t keycode) const {
    return down_reported_.test(keycode);
}

void X11Keyboard::grab_paste_keys() {
    paste_grabs_.clear();
    if (!hooked_)
        return;
    QVector<uint16_t> masks;
    for (uint16_t locks : key_map_->lock_combinations())
        masks.append(uint16_t(XCB_MOD_MASK_CONTROL | locks));
    for (const X11KeyMap::Position& position : key_map_->positions(XK_v)) {
        if (position.level != 0)
            continue;
        X11KeyGrab grab(position.keycode, masks, true);
        if (grab.active())
            paste_grabs_.push_back(std::move(grab));
        else
            qWarning("X11Keyboard: Ctrl+V grab on keycode %d refused: %s", position.keycode,
                     qPrintable(grab.error()));
    }
    if (paste_grabs_.empty())
        qWarning("X11Keyboard: Ctrl+V is not grabbed, pastes are reported late");
}

void X11Keyboard::grab_print_keys() {
    print_grabs_.clear();
    if (!hooked_ || !print_swallowed_)
        return;
    for (const X11KeyMap::Position& position : key_map_->positions(XK_Print)) {
        if (position.level != 0)
            continue;
        X11KeyGrab grab(position.keycode, {uint16_t(XCB_MOD_MASK_ANY)}, false);
        if (grab.active())
            print_grabs_.push_back(std::move(grab));
        else
            qWarning("X11Keyboard: Print grab on keycode %d refused: %s", position.keycode,
                     qPrintable(grab.error()));
    }
}

bool X11Keyboard::nativeEventFilter(const QByteArray& event_type, void* message, long*) {
    if (event_type != "xcb_generic_event_t" || !hooked_)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_GE_GENERIC: {
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (!raw_events_ || generic->extension != xinput_opcode_)
            return false;
        if (generic->event_type != XCB_INPUT_RAW_KEY_PRESS &&
            generic->event_type != XCB_INPUT_RAW_KEY_RELEASE)
            return false;
        const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(event);
        const bool press = generic->event_type == XCB_INPUT_RAW_KEY_PRESS;
        const auto keycode = xcb_keycode_t(raw->detail);
        if (!is_copy(keycode, raw->time, press, false))
            on_raw_key(keycode, raw->time, press);
        return true;
    }
    case XCB_KEY_PRESS: {
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (key->event != root_)
            return false;
        const uint16_t modifiers = key->state & 0xff & ~key_map_->lock_mask();
        if (modifiers == XCB_MOD_MASK_CONTROL && is_paste_key(key->detail)) {
            on_paste_grab(key->detail, key->time);
            return true;
        }
        // Key events on the root come to us only while one of our grabs is active, and then
        // the server sends us no raw events: these stand in for them.
        if (raw_events_ && !is_copy(key->detail, key->time, true, true))
            on_raw_key(key->detail, key->time, true);
        // Print is reported from its raw event; the grab is only there to keep it from others.
        if (!is_print_key(key->detail))
            return false;
        X11ActiveGrab::activated(key->detail);
        return true;
    }
    case XCB_KEY_RELEASE: {
        const auto* key = reinterpret_cast<const xcb_key_release_event_t*>(event);
        if (key->event != root_)
            return false;
        if (raw_events_ && !is_copy(key->detail, key->time, false, true))
            on_raw_key(key->detail, key->time, false);
        if (!is_print_key(key->detail))
            return false;
        X11ActiveGrab::key_released(key->detail);
        return true;
    }
    case XCB_SELECTION_REQUEST:
        on_selection_request(reinterpret_cast<const xcb_selection_request_event_t*>(event));
        return false; // Qt answers it
    default:
        return false;
    }
}

void X11Keyboard::on_raw_key(xcb_keycode_t keycode, xcb_timestamp_t time, bool press) {
    Stroke stroke;
    stroke.keycode = keycode;
    stroke.time = time;
    stroke.press = press;
    if (!press) {
        down_now_.reset(keycode);
        strokes_.push_back(stroke);
        pump();
        return;
    }
    down_now_.set(keycode);
    // The grab's copy of this press may have come first (reported, or held frozen).
    bool grabbed_first = take_reported(keycode, time, true);
    for (Stroke& queued : strokes_) {
        if (grabbed_first)
            break;
        if (queued.frozen && !queued.matched && queued.keycode == keycode && queued.time == time) {
            queued.matched = true;
            grabbed_first = true;
        }
    }
    stroke.report = !grabbed_first;
    if (stroke.report && is_paste_key(keycode)) {
        const uint16_t held = key_map_->modifiers_held(down_now_) & ~key_map_->lock_mask();
        stroke.awaits_grab = held == XCB_MOD_MASK_CONTROL;
    }
    strokes_.push_back(stroke);
    pump();
}

void X11Keyboard::on_paste_grab(xcb_keycode_t keycode, xcb_timestamp_t time) {
    if (take_reported(keycode, time, false)) {
        // Reported from the raw event when the grab was late; only let the program have it.
        replay(time);
        return;
    }
    bool found = false;
    for (Stroke& stroke : strokes_) {
        if (stroke.press && stroke.report && !stroke.frozen && !stroke.matched &&
            stroke.keycode == keycode && stroke.time == time) {
            stroke.frozen = true;
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
        strokes_.push_back(stroke);
    }
    pump();
}

void X11Keyboard::on_selection_request(const xcb_selection_request_event_t* request) {
    if (!awaiting_fetch_ || request->selection != clipboard_atom_ ||
        request->target == targets_atom_)
        return;
    awaiting_fetch_ = false;
    fetch_deadline_.stop();
    // Qt answers the request after this filter returns; change the clipboard only after that.
    QTimer::singleShot(0, this, [this] { pump(); });
}

void X11Keyboard::on_grab_wait_expired() {
    if (!strokes_.empty() && strokes_.front().awaits_grab)
        strokes_.front().timed_out = true;
    pump();
}

void X11Keyboard::on_fetch_deadline() {
    awaiting_fetch_ = false;
    pump();
}

// Hands the queued strokes on in order. A report is synchronous: the dispatch, clipboard update
// included, is done when emit returns, and only then may a frozen press reach the program.
void X11Keyboard::pump() {
    if (pumping_)
        return;
    pumping_ = true;
    while (!strokes_.empty()) {
        const Stroke stroke = strokes_.front();
        if (stroke.awaits_grab && !stroke.frozen && !stroke.timed_out) {
            if (!grab_wait_.isActive())
                grab_wait_.start();
            break;
        }
        // The program has not fetched the previous paste yet: keep the keyboard frozen (later
        // keys queue in the server) until it has, or the deadline passes.
        if (stroke.frozen && awaiting_fetch_)
            break;
        strokes_.pop_front();
        grab_wait_.stop();
        down_reported_.set(stroke.keycode, stroke.press);
        if (stroke.press && stroke.report) {
            // A frozen stroke came from the grab; its raw copy, if any, was matched already
            // (matched) or may still come (!matched).
            if (is_paste_key(stroke.keycode) && !(stroke.frozen && stroke.matched))
                remember_reported(stroke.keycode, stroke.time, stroke.frozen);
            QX11Info::setAppTime(stroke.time);
            emit signal_key_pressed(key_map_->virtual_key(stroke.keycode), 0);
        }
        if (stroke.frozen) {
            replay(stroke.time);
            awaiting_fetch_ = hooked_ && owns_clipboard();
            if (awaiting_fetch_)
                fetch_deadline_.start();
            else
                fetch_deadline_.stop();
        }
    }
    pumping_ = false;
}

void X11Keyboard::replay(xcb_timestamp_t time) {
    if (!connection_)
        return;
    xcb_allow_events(connection_, XCB_ALLOW_REPLAY_KEYBOARD, time);
    xcb_flush(connection_);
}

void X11Keyboard::drop_strokes() {
    // Never leave the keyboard frozen behind us.
    for (const Stroke& stroke : strokes_) {
        if (stroke.frozen)
            replay(stroke.time);
    }
    strokes_.clear();
    grab_wait_.stop();
    fetch_deadline_.stop();
    awaiting_fetch_ = false;
}

bool X11Keyboard::is_copy(xcb_keycode_t keycode, xcb_timestamp_t time, bool press, bool from_grab) {
    for (Copy& copy : seen_) {
        if (!copy.matched && copy.from_grab != from_grab && copy.keycode == keycode &&
            copy.time == time && copy.press == press) {
            copy.matched = true;
            return true;
        }
    }
    Copy copy;
    copy.keycode = keycode;
    copy.time = time;
    copy.press = press;
    copy.from_grab = from_grab;
    seen_.push_back(copy);
    if (seen_.size() > reported_memory)
        seen_.pop_front();
    return false;
}

bool X11Keyboard::is_paste_key(xcb_keycode_t keycode) const {
    for (const X11KeyGrab& grab : paste_grabs_) {
        if (grab.keycode() == keycode)
            return true;
    }
    return false;
}

bool X11Keyboard::is_print_key(xcb_keycode_t keycode) const {
    for (const X11KeyGrab& grab : print_grabs_) {
        if (grab.keycode() == keycode)
            return true;
    }
    return false;
}

bool X11Keyboard::take_reported(xcb_keycode_t keycode, xcb_timestamp_t time, bool from_grab) {
    for (Copy& copy : reported_) {
        if (!copy.matched && copy.from_grab == from_grab && copy.keycode == keycode &&
            copy.time == time) {
            copy.matched = true;
            return true;
        }
    }
    return false;
}

void X11Keyboard::remember_reported(xcb_keycode_t keycode, xcb_timestamp_t time, bool from_grab) {
    Copy copy;
    copy.keycode = keycode;
    copy.time = time;
    copy.press = true;
    copy.from_grab = from_grab;
    reported_.push_back(copy);
    if (reported_.size() > reported_memory)
        reported_.pop_front();
}
