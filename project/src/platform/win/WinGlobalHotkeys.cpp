#include "WinGlobalHotkeys.h"

#include "WinKeyCodes.h"
#include "WinMessageWindow.h"

#include <QtDebug>

#include <algorithm>

#include <windows.h>

WinGlobalHotkeys::WinGlobalHotkeys(QObject* parent) : GlobalHotkeys(parent) {
    m_window = std::make_unique<WinMessageWindow>(
        QStringLiteral("Corvana hotkeys"), false,
        [this](unsigned message, quintptr wparam, qintptr, qintptr* result) {
            if (message != WM_HOTKEY)
                return false;
            on_hotkey(int(wparam));
            *result = 0;
            return true;
        });
}

WinGlobalHotkeys::~WinGlobalHotkeys() {
    if (m_window && m_window->handle()) {
        for (const auto& combination : m_combinations)
            UnregisterHotKey(static_cast<HWND>(m_window->handle()), combination.second.system_id);
    }
}

GlobalHotkeys::Registration WinGlobalHotkeys::register_hotkey(const QKeySequence& sequence) {
    Registration registration;
    if (sequence.isEmpty()) {
        registration.failure = Registration::Failure::Unmappable;
        registration.error = QStringLiteral("empty key sequence");
        return registration;
    }
    const QString text = sequence.toString(QKeySequence::PortableText);
    const int combined = sequence[0];
    const auto qt_modifiers = Qt::KeyboardModifiers(combined & int(Qt::KeyboardModifierMask));
    const int qt_key = combined & ~int(Qt::KeyboardModifierMask);
    unsigned key = WinKeyCodes::virtual_key_for_qt_key(qt_key);
    unsigned layout_modifiers = 0;
    if (key == 0 && qt_key > 0 && qt_key < 0xffff) {
        // A character: the key that gives it on the current layout, with Shift (or AltGr, that
        // is Ctrl+Alt) when it needs them, as "<" is Shift+, on a US keyboard.
        const SHORT scan = VkKeyScanW(wchar_t(qt_key));
        if (scan != -1) {
            key = LOBYTE(scan);
            if (HIBYTE(scan) & 1)
                layout_modifiers |= MOD_SHIFT;
            if (HIBYTE(scan) & 6)
                layout_modifiers |= MOD_CONTROL | MOD_ALT;
        }
    }
    if (key == 0) {
        registration.failure = Registration::Failure::Unmappable;
        registration.error = QStringLiteral("no key gives %1").arg(text);
        return registration;
    }
    unsigned modifiers = layout_modifiers;
    if (qt_modifiers & Qt::ShiftModifier)
        modifiers |= MOD_SHIFT;
    if (qt_modifiers & Qt::ControlModifier)
        modifiers |= MOD_CONTROL;
    if (qt_modifiers & Qt::AltModifier)
        modifiers |= MOD_ALT;
    if (qt_modifiers & Qt::MetaModifier)
        modifiers |= MOD_WIN;
    const Combination combination{modifiers, key};

    auto shared = m_combinations.find(combination);
    if (shared == m_combinations.end()) {
        HWND window = m_window ? static_cast<HWND>(m_window->handle()) : nullptr;
        const int system_id = m_next_system_id;
        // Held keys repeat; one activation per press.
        if (!window || !RegisterHotKey(window, system_id, modifiers | MOD_NOREPEAT, key)) {
            const DWORD code = window ? GetLastError() : 0;
            registration.failure = Registration::Failure::Refused;
            registration.error =
                code == ERROR_HOTKEY_ALREADY_REGISTERED
                    ? QStringLiteral("%1 is taken by another program").arg(text)
                    : QStringLiteral("RegisterHotKey refused %1 (%2)").arg(text).arg(code);
            return registration;
        }
        ++m_next_system_id;
        shared = m_combinations.emplace(combination, Shared{system_id, {}}).first;
    }
    registration.id = m_next_id++;
    shared->second.ids.push_back(registration.id);
    m_ids[registration.id] = combination;
    return registration;
}

void WinGlobalHotkeys::unregister_hotkey(int id) {
    const auto it = m_ids.find(id);
    if (it == m_ids.end())
        return;
    const auto shared = m_combinations.find(it->second);
    m_ids.erase(it);
    if (shared == m_combinations.end())
        return;
    auto& ids = shared->second.ids;
    ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
    if (!ids.empty())
        return;
    if (m_window && m_window->handle())
        UnregisterHotKey(static_cast<HWND>(m_window->handle()), shared->second.system_id);
    m_combinations.erase(shared);
}

void WinGlobalHotkeys::on_hotkey(int system_id) {
    for (const auto& combination : m_combinations) {
        if (combination.second.system_id != system_id)
            continue;
        // A copy: a handler may unregister.
        const std::vector<int> ids = combination.second.ids;
        for (const int id : ids)
            emit activated(id);
        return;
    }
}
