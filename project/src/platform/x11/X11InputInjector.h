#pragma once

#include "platform/InputInjector.h"

#include <memory>

class X11Connection;
class X11KeyMap;

// Key strokes through XTest on Qt's connection.
class X11InputInjector : public InputInjector {
public:
    explicit X11InputInjector(const X11Connection& x11);
    ~X11InputInjector() override;

    void send_key(int virtual_key, bool down) override;

private:
    const X11Connection& m_x11;
    std::shared_ptr<X11KeyMap> m_key_map;
    bool m_checked = false;
    bool m_available = false;
};
