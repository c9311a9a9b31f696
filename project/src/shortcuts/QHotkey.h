#pragma once

#include "platform/GlobalHotkeys.h"

#include <QKeySequence>
#include <QObject>

// A system-wide key combination: setShortcut with autoRegister registers it at once (an empty
// sequence unregisters it), and activated() fires whenever it is pressed, wherever the focus is.
class QHotkey : public QObject {
    Q_OBJECT
public:
    explicit QHotkey(GlobalHotkeys& hotkeys, QObject* parent = nullptr);
    ~QHotkey() override;

    QKeySequence shortcut() const { return m_shortcut; }
    bool isRegistered() const { return m_id > 0; }

    bool setShortcut(const QKeySequence& shortcut, bool autoRegister = false);
    bool setRegistered(bool registered);
    // What the key stands for, for desktops that list shortcuts by name; set before registering.
    void setAction(const GlobalHotkeys::Action& action) { m_action = action; }

signals:
    void activated();
    void registeredChanged(bool registered);

private:
    void on_activated(int id);

    GlobalHotkeys& m_hotkeys;
    QKeySequence m_shortcut;
    GlobalHotkeys::Action m_action;
    int m_id = 0;
};
