#include "FakeInputInjector.h"

#include "FakeKeyboard.h"
#include "FakePlatform.h"

#include "platform/VirtualKeys.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTimer>

void FakeInputInjector::send_key(int virtual_key, bool down) {
    m_sent.append({virtual_key, down});
    const bool paste = down && virtual_key == VirtualKeys::V;
    if (m_delivery == Delivery::Synchronous) {
        deliver(virtual_key, down);
        if (paste)
            m_pasted << QGuiApplication::clipboard()->text();
        return;
    }
    if (paste)
        m_pasted << QGuiApplication::clipboard()->text();
    QTimer::singleShot(0, [virtual_key, down] { deliver(virtual_key, down); });
}

void FakeInputInjector::deliver(int virtual_key, bool down) {
    FakeKeyboard* keyboard = FakePlatform::get().keyboard();
    if (!keyboard)
        return;
    if (down)
        keyboard->press(virtual_key);
    else
        keyboard->release(virtual_key);
}
