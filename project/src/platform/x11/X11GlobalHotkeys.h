#pragma once

#include "X11KeyGrab.h"
#include "platform/GlobalHotkeys.h"

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include <map>
#include <memory>
#include <utility>
#include <vector>

class X11Connection;
class X11KeyMap;

// Hotkeys as passive grabs on the root window, one per key that gives the keysym and per
// lock-key state.
//
// Registering a combination we already hold shares its grabs: both ids are activated by the
// press, and the grabs go when the last of them is unregistered.
class X11GlobalHotkeys : public GlobalHotkeys, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11GlobalHotkeys(const X11Connection& x11, QObject* parent = nullptr);
    ~X11GlobalHotkeys() override;

    Registration register_hotkey(const QKeySequence& sequence) override;
    void unregister_hotkey(int id) override;

    bool nativeEventFilter(const QByteArray& event_type, void* message, long* result) override;

private:
    // A keycode and the core modifiers it has to come with (lock bits left out).
    using Combination = std::pair<xcb_keycode_t, uint16_t>;

    struct Hotkey {
        xcb_keysym_t keysym = 0;
        uint16_t modifiers = 0;
        std::vector<Combination> combinations;
    };

    struct SharedGrab {
        int users = 0;
        X11KeyGrab grab;
    };

    std::vector<Combination> combinations_for(xcb_keysym_t keysym, uint16_t modifiers) const;
    QString acquire(const std::vector<Combination>& combinations);
    void release(const std::vector<Combination>& combinations);
    void regrab_all();

    const X11Connection& m_x11;
    std::shared_ptr<X11KeyMap> m_key_map;
    std::map<int, Hotkey> m_hotkeys;
    std::map<Combination, SharedGrab> m_grabs;
    int m_next_id = 1;
};
