#include "shortcuts/QHotkey.h"

#include "platform/GlobalHotkeys.h"

#include <QDebug>

QHotkey::QHotkey(GlobalHotkeys& hotkeys, QObject* parent) : QObject(parent), m_hotkeys(hotkeys) {
    connect(&m_hotkeys, &GlobalHotkeys::activated, this, &QHotkey::on_activated);
}

QHotkey::~QHotkey() {
    setRegistered(false);
}

bool QHotkey::setShortcut(const QKeySequence& shortcut, bool autoRegister) {
    if (isRegistered())
        setRegistered(false);
    m_shortcut = shortcut;
    if (!autoRegister || shortcut.isEmpty())
        return true;
    return setRegistered(true);
}

bool QHotkey::setRegistered(bool registered) {
    if (!registered) {
        if (isRegistered()) {
            m_hotkeys.unregister_hotkey(m_id);
            m_id = 0;
            emit registeredChanged(false);
        }
        return true;
    }
    if (isRegistered())
        return true;
    if (m_shortcut.isEmpty())
        return false;

    const GlobalHotkeys::Registration result = m_hotkeys.register_action(m_shortcut, m_action);
    switch (result.failure) {
    case GlobalHotkeys::Registration::Failure::None:
        m_id = result.id;
        emit registeredChanged(true);
        return true;
    case GlobalHotkeys::Registration::Failure::Unmappable:
        qWarning().noquote() << "QHotkey: Unable to map shortcut to native keys. Key:"
                             << m_shortcut.toString(QKeySequence::PortableText);
        return false;
    case GlobalHotkeys::Registration::Failure::Unavailable: {
        static bool told = false;
        if (!told)
            qWarning().noquote() << "QHotkey: no global shortcuts here:" << result.error;
        told = true;
        return false;
    }
    case GlobalHotkeys::Registration::Failure::Refused:
        qWarning().noquote() << "QHotkey: Failed to register hotkey. Error:" << result.error
                             << "(" + m_shortcut.toString(QKeySequence::PortableText) + ")";
        return false;
    }
    return false;
}

void QHotkey::on_activated(int id) {
    if (id == m_id && m_id > 0)
        emit activated();
}
