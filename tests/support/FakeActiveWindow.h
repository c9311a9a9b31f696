#pragma once

#include "platform/ActiveWindow.h"

#include <QList>

// Remembers which window is active and every activation asked for.
class FakeActiveWindow : public ActiveWindow {
public:
    quint64 current() override { return m_current; }
    bool activate(quint64 window, QString* error) override {
        m_activated.append(window);
        if (window == m_gone) {
            *error = QStringLiteral("gone");
            return false;
        }
        m_current = window;
        return true;
    }

    void set_current(quint64 window) { m_current = window; }
    // Activating this window fails as for a closed one.
    void set_gone(quint64 window) { m_gone = window; }
    QList<quint64> activated() const { return m_activated; }

private:
    quint64 m_current = 0;
    quint64 m_gone = 0;
    QList<quint64> m_activated;
};
