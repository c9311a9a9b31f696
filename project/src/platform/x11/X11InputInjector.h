#pragma once

#include "platform/InputInjector.h"

#include <memory>

class X11KeyMap;

// Key strokes through XTest on Qt's connection.
class X11InputInjector : public InputInjector {
public:
    explicit X11InputInjector(std::shared_ptr<X11KeyMap> key_map);
    ~X11InputInjector() override;

    void send_key(int virtual_key, bool down) override;

private:
    std::shared_ptr<X11KeyMap> m_key_map;
    bool m_checked = false;
    bool m_available = false;
};
