#pragma once

#include "platform/KeyState.h"

#include <QSet>

class FakeKeyState : public KeyState {
public:
    bool is_key_down(int virtual_key) const override { return m_down.contains(virtual_key); }
    void set_down(int virtual_key, bool down) {
        if (down)
            m_down.insert(virtual_key);
        else
            m_down.remove(virtual_key);
    }
    void clear() { m_down.clear(); }

private:
    QSet<int> m_down;
};
