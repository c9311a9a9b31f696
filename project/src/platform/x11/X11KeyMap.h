#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>
#include <QVector>

#include <xcb/xcb.h>

#include <array>
#include <bitset>

class X11Connection;

// Our copy of the server's keyboard and modifier mapping (first group, levels 0 and 1), kept
// current by watching MappingNotify and XKB map changes on Qt's connection.
class X11KeyMap : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    struct Position {
        xcb_keycode_t keycode;
        int level; // 0 unshifted, 1 shifted
    };

    explicit X11KeyMap(const X11Connection& x11, QObject* parent = nullptr);
    ~X11KeyMap() override;

    // False without an X connection or when the server did not answer.
    bool valid() const;

    xcb_keysym_t keysym(xcb_keycode_t keycode, int level) const;
    // Every key and level that gives keysym, lowest keycode first.
    QVector<Position> positions(xcb_keysym_t keysym) const;

    // Keys that paste with Ctrl: V on the first group, or on the first group that has Latin
    // letters when the first has none there (Ctrl+V on a Russian layout is still Ctrl+V).
    QVector<Position> paste_positions() const;

    int virtual_key(xcb_keycode_t keycode) const;
    QVector<xcb_keycode_t> keycodes_for_virtual_key(int virtual_key) const;

    // The core modifier bits the keys in down hold (the state a KeyPress would carry).
    uint16_t modifiers_held(const std::bitset<256>& down) const;
    // Lock | NumLock | ScrollLock as mapped now.
    uint16_t lock_mask() const;
    // Every combination of the lock modifiers, 0 first: a passive grab has to name them all.
    QVector<uint16_t> lock_combinations() const;

    bool nativeEventFilter(const QByteArray& event_type, void* message, long* result) override;

signals:
    // The mapping differs from before; grabs made from it have to be redone.
    void changed();

private:
    void schedule_refresh();
    void refresh_now();
    void ensure_fresh() const;
    void reload();

    xcb_connection_t* m_connection = nullptr;
    bool m_valid = false;
    bool m_dirty = false;
    bool m_changed_pending = false;
    uint8_t m_xkb_first_event = 0;
    std::array<std::array<xcb_keysym_t, 2>, 256> m_levels{};
    std::array<uint8_t, 256> m_modifiers{};
    std::array<int, 256> m_virtual_keys{};
    std::array<xcb_keysym_t, 256> m_latin_fallback{}; // a later group's letter, else 0
    uint16_t m_num_lock = 0;
    uint16_t m_scroll_lock = 0;
    QTimer m_refresh_timer;
};
