#pragma once

#include "platform/InputInjector.h"

#include <QList>
#include <QPair>
#include <QStringList>

// Loops injected keys back through the fake keyboard, at once or from the event loop. Records
// what the program pasted into reads at each injected V: the clipboard once the press has been
// reported when it is delivered at once (a key held until its report), the clipboard as it is at
// the injection when it is delivered later (a key let through first, as Windows' hook does).
class FakeInputInjector : public InputInjector {
public:
    enum class Delivery { Synchronous, Later };

    void send_key(int virtual_key, bool down) override;

    void set_delivery(Delivery delivery) { m_delivery = delivery; }
    QList<QPair<int, bool>> sent() const { return m_sent; }
    QStringList pasted() const { return m_pasted; }
    void clear() {
        m_sent.clear();
        m_pasted.clear();
    }

private:
    static void deliver(int virtual_key, bool down);

    Delivery m_delivery = Delivery::Synchronous;
    QList<QPair<int, bool>> m_sent;
    QStringList m_pasted;
};
