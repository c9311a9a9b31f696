#pragma once

#include "platform/MouseHook.h"

// A pointer a test moves and clicks; events reach the callback only while installed.
class FakeMouseHook : public MouseHook {
public:
    bool install(Callback callback, QString* error) override {
        if (m_refuse) {
            if (error)
                *error = QStringLiteral("refused by the test");
            return false;
        }
        m_callback = std::move(callback);
        m_installed = true;
        return true;
    }
    void uninstall() override { m_installed = false; }
    bool installed() const override { return m_installed; }

    void move_to(QPoint p) { send({Event::Kind::Move, p, 0}); }
    void send(const Event& event) {
        if (m_installed && m_callback)
            m_callback(event);
    }
    void set_refuse(bool refuse) { m_refuse = refuse; }

private:
    Callback m_callback;
    bool m_installed = false;
    bool m_refuse = false;
};
