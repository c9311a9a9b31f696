#include "X11GlobalHotkeys.h"

#include "X11Connection.h"
#include "X11KeyMap.h"
#include "X11KeySymbols.h"

#include <QCoreApplication>
#include <QtDebug>

#include <algorithm>

X11GlobalHotkeys::X11GlobalHotkeys(const X11Connection& x11, QObject* parent)
    : GlobalHotkeys(parent), m_x11(x11), m_key_map(x11.key_map()) {
    connect(m_key_map.get(), &X11KeyMap::changed, this, &X11GlobalHotkeys::regrab_all);
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

X11GlobalHotkeys::~X11GlobalHotkeys() = default;

GlobalHotkeys::Registration X11GlobalHotkeys::register_hotkey(const QKeySequence& sequence) {
    Registration registration;
    const QString text = sequence.toString(QKeySequence::PortableText);
    if (sequence.isEmpty()) {
        registration.failure = Registration::Failure::Unmappable;
        registration.error = QStringLiteral("empty key sequence");
        return registration;
    }
    const int combined = sequence[0];
    const auto qt_modifiers = Qt::KeyboardModifiers(combined & int(Qt::KeyboardModifierMask));
    const int qt_key = combined & ~int(Qt::KeyboardModifierMask);
    uint16_t modifiers = 0;
    if (qt_modifiers & Qt::ShiftModifier)
        modifiers |= XCB_MOD_MASK_SHIFT;
    if (qt_modifiers & Qt::ControlModifier)
        modifiers |= XCB_MOD_MASK_CONTROL;
    if (qt_modifiers & Qt::AltModifier)
        modifiers |= XCB_MOD_MASK_1;
    if (qt_modifiers & Qt::MetaModifier)
        modifiers |= XCB_MOD_MASK_4;

    const xcb_keysym_t keysym =
        X11KeySymbols::keysym_for_qt_key(qt_key, qt_modifiers & Qt::KeypadModifier);
    std::vector<Combination> combinations;
    if (keysym != 0 && m_key_map->valid())
        combinations = combinations_for(keysym, modifiers);
    if (combinations.empty()) {
        registration.failure = Registration::Failure::Unmappable;
        registration.error = QStringLiteral("no key gives %1 on this keyboard").arg(text);
        return registration;
    }
    const QString error = acquire(combinations);
    if (!error.isEmpty()) {
        registration.failure = Registration::Failure::Refused;
        registration.error = error;
        return registration;
    }
    registration.id = m_next_id++;
    m_hotkeys[registration.id] = Hotkey{keysym, modifiers, std::move(combinations)};
    return registration;
}

void X11GlobalHotkeys::unregister_hotkey(int id) {
    const auto it = m_hotkeys.find(id);
    if (it == m_hotkeys.end())
        return;
    release(it->second.combinations);
    m_hotkeys.erase(it);
}

bool X11GlobalHotkeys::nativeEventFilter(const QByteArray& event_type, void* message, long*) {
    if (event_type != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (key->event != m_x11.root())
        return false;
    if (type == XCB_KEY_RELEASE) {
        m_x11.active_grab().key_released(key->detail);
        return false;
    }
    const Combination pressed{key->detail, uint16_t(key->state & 0xff & ~m_key_map->lock_mask())};
    if (m_grabs.find(pressed) == m_grabs.end())
        return false;
    std::vector<int> ids;
    for (const auto& [id, hotkey] : m_hotkeys) {
        if (std::find(hotkey.combinations.begin(), hotkey.combinations.end(), pressed) !=
            hotkey.combinations.end())
            ids.push_back(id);
    }
    m_x11.active_grab().activated(key->detail);
    m_x11.set_time(key->time);
    for (int id : ids) {
        // A handler may unregister the others.
        if (m_hotkeys.count(id))
            emit activated(id);
    }
    return true;
}

// Every key giving the keysym: unshifted with the requested modifiers, shifted with Shift added
// (so "<" is Shift+comma on a US layout and also the unshifted less key where there is one).
std::vector<X11GlobalHotkeys::Combination>
X11GlobalHotkeys::combinations_for(xcb_keysym_t keysym, uint16_t modifiers) const {
    std::vector<Combination> combinations;
    for (const X11KeyMap::Position& position : m_key_map->positions(keysym)) {
        const auto needed = uint16_t(modifiers | (position.level == 1 ? XCB_MOD_MASK_SHIFT : 0));
        const Combination combination{position.keycode, needed};
        if (std::find(combinations.begin(), combinations.end(), combination) == combinations.end())
            combinations.push_back(combination);
    }
    return combinations;
}

QString X11GlobalHotkeys::acquire(const std::vector<Combination>& combinations) {
    const QVector<uint16_t> locks = m_key_map->lock_combinations();
    std::vector<Combination> taken;
    for (const Combination& combination : combinations) {
        const auto it = m_grabs.find(combination);
        if (it != m_grabs.end()) {
            ++it->second.users;
            taken.push_back(combination);
            continue;
        }
        QVector<uint16_t> masks;
        for (uint16_t lock : locks)
            masks.append(uint16_t(combination.second | lock));
        X11KeyGrab grab(m_x11, combination.first, masks, false);
        if (!grab.active()) {
            release(taken);
            return grab.error();
        }
        m_grabs.emplace(combination, SharedGrab{1, std::move(grab)});
        taken.push_back(combination);
    }
    return {};
}

void X11GlobalHotkeys::release(const std::vector<Combination>& combinations) {
    for (const Combination& combination : combinations) {
        const auto it = m_grabs.find(combination);
        if (it != m_grabs.end() && --it->second.users == 0)
            m_grabs.erase(it);
    }
}

void X11GlobalHotkeys::regrab_all() {
    m_grabs.clear();
    for (auto& [id, hotkey] : m_hotkeys) {
        hotkey.combinations = combinations_for(hotkey.keysym, hotkey.modifiers);
        const QString error = acquire(hotkey.combinations);
        if (!error.isEmpty()) {
            qWarning("Hotkey %d lost after a keyboard mapping change: %s", id, qPrintable(error));
            hotkey.combinations.clear();
        } else if (hotkey.combinations.empty()) {
            qWarning("Hotkey %d lost after a keyboard mapping change: no key gives it", id);
        }
    }
}
