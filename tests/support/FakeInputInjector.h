#pragma once

#include "platform/InputInjector.h"

#include <QList>
#include <QPair>

// Loops injected keys back through the fake keyboard, at once or from the event loop.
class FakeInputInjector : public InputInjector {
public:
    enum class Delivery { Synchronous, Later };

    void send_key(int virtual_key, bool down) override;

    void set_delivery(Delivery delivery) { m_delivery = delivery; }
    QList<QPair<int, bool>> sent() const { return m_sent; }
    void clear() { m_sent.clear(); }

private:
    static void deliver(int virtual_key, bool down);

    Delivery m_delivery = Delivery::Synchronous;
    QList<QPair<int, bool>> m_sent;
};
