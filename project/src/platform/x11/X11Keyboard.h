#pragma once

#include "X11KeyGrab.h"
#include "platform/KeyCopies.h"
#include "platform/Keyboard.h"

#include <QAbstractNativeEventFilter>
#include <QTimer>

#include <xcb/xcb.h>

#include <bitset>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class PasteHold;
class X11Connection;
class X11KeyMap;
class X11KeyboardWatchdog;

// Key presses from XInput2 raw events on Qt's connection, with Ctrl+V taken from a synchronous
// passive grab so the report (and the clipboard change it causes) comes before the focused
// program sees the press. A paste pressed while the previous one is still being read stays
// frozen until the paste hold lets it go.
class X11Keyboard : public Keyboard, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    X11Keyboard(const X11Connection& x11, PasteHold& hold, QObject* parent = nullptr);
    ~X11Keyboard() override;

    bool set_hooked(bool on) override;
    bool hooked() const override { return m_hooked; }
    void set_print_screen_swallowed(bool on) override;

    // Whether is_keycode_down() follows the raw events (else the server has to be asked).
    bool tracks_keys() const;
    // As of the press reported last, so a report sees the modifiers that came with it.
    bool is_keycode_down(xcb_keycode_t keycode) const;

    bool nativeEventFilter(const QByteArray& event_type, void* message, long* result) override;

    // Who receives a key now (an X client), for the hold to tell its requests from others'.
    void set_focus_client(std::function<quint32()> focus_client) {
        m_focus_client = std::move(focus_client);
    }

public slots:
    // The clipboard was read: a held paste may be due.
    void hold_changed();

private:
    // A raw event or grabbed press, waiting its turn to change the key state and be reported.
    struct Stroke {
        xcb_keycode_t keycode = 0;
        xcb_timestamp_t time = 0;
        bool press = false;
        bool report = false;      // false: the other path reported this press already
        bool awaits_grab = false; // a raw Ctrl+V: the grab event that follows reports it
        bool frozen = false;      // the grab froze the keyboard on it: replay once reported
        bool timed_out = false;   // the grab event did not come
        bool matched = false;     // the grab's copy of this raw press has been seen
        qint64 frozen_at = 0;     // when the grab froze the keyboard on it
    };

    static bool is_paste_combination(uint16_t modifiers);
    void grab_paste_keys();
    void grab_print_keys();
    bool on_root_key(const xcb_key_press_event_t* key, bool press);
    void on_raw_key(xcb_keycode_t keycode, xcb_timestamp_t time, bool press);
    void on_paste_grab(xcb_keycode_t keycode, xcb_timestamp_t time);
    void on_grab_wait_expired();
    void pump();
    void drop_released(xcb_keycode_t keycode, xcb_timestamp_t time);
    void replay(xcb_timestamp_t time);
    void drop_strokes();
    bool is_paste_key(xcb_keycode_t keycode) const;
    bool is_print_key(xcb_keycode_t keycode) const;

    const X11Connection& m_x11;
    std::shared_ptr<X11KeyMap> m_key_map;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = 0;
    uint8_t m_xinput_opcode = 0;
    bool m_hooked = false;
    bool m_raw_events = false;
    bool m_print_swallowed = false;
    std::vector<X11KeyGrab> m_paste_grabs;
    std::vector<X11KeyGrab> m_print_grabs;
    std::bitset<256> m_down_now;      // as the raw events arrive
    std::bitset<256> m_down_reported; // as of the stroke that left the queue last
    std::deque<Stroke> m_strokes;
    KeyCopies m_copies; // the raw and the grab's copy of each key event, paired
    PasteHold& m_hold;
    std::function<quint32()> m_focus_client;
    bool m_pumping = false;
    QTimer m_grab_wait;
    QTimer m_hold_timer;
    QTimer m_beat;
    std::unique_ptr<X11KeyboardWatchdog> m_watchdog;
};
