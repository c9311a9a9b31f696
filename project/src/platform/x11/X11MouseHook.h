#pragma once

#include "platform/MouseHook.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>

class X11Connection;

// XInput2 raw motion and button events on the root window. Raw events carry no position, so
// one pointer query per burst of events (at most one per pass of the event loop) supplies it.
class X11MouseHook : public QObject, public MouseHook, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11MouseHook(const X11Connection& x11);
    ~X11MouseHook() override;

    bool install(Callback callback, QString* error) override;
    void uninstall() override;
    bool installed() const override { return m_installed; }

    bool nativeEventFilter(const QByteArray& event_type, void* message, long* result) override;

private:
    void deliver_motion();
    QPoint query_pointer() const;

    Callback m_callback;
    bool m_installed = false;
    bool m_motion_pending = false;
    const X11Connection& m_x11;
    uint8_t m_opcode = 0;
};
