#pragma once

#include "platform/KeyState.h"

#include <QPointer>

#include <memory>

class X11Connection;
class X11KeyMap;
class X11Keyboard;

// Answers from the hooked keyboard's tracked keys when it has them (so a report sees the keys
// that were down at its press), else asks the server.
class X11KeyState : public KeyState {
public:
    explicit X11KeyState(const X11Connection& x11);
    ~X11KeyState() override;

    void set_keyboard(X11Keyboard* keyboard);

    bool is_key_down(int virtual_key) const override;

private:
    const X11Connection& m_x11;
    std::shared_ptr<X11KeyMap> m_key_map;
    QPointer<X11Keyboard> m_keyboard;
};
