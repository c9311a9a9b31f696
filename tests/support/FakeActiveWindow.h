#pragma once

#include "platform/ActiveWindow.h"

#include <QList>

// Remembers which window is active and every activation asked for.
class FakeActiveWindow : public ActiveWindow {
public:
    quint64 current() override { return m_current; }
    bool activate(quint64 window, QString*) override {
        m_activated.append(window);
        m_current = window;
        return true;
    }

    void set_current(quint64 window) { m_current = window; }
    QList<quint64> activated() const { return m_activated; }

private:
    quint64 m_current = 0;
    QList<quint64> m_activated;
};
