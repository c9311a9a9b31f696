#pragma once

#include "platform/SystemInfo.h"

#include <QList>

// A desktop whose age a test chooses; records mouse-trail requests.
class FakeSystemInfo : public SystemInfo {
public:
    bool is_modern_desktop() const override { return m_modern; }
    bool set_mouse_trails(int length, QString* error) override {
        m_trails.append(length);
        if (!m_trails_supported && error)
            *error = QStringLiteral("no mouse trails here");
        return m_trails_supported;
    }

    void set_modern(bool modern) { m_modern = modern; }
    void set_trails_supported(bool supported) { m_trails_supported = supported; }
    QList<int> trail_requests() const { return m_trails; }

private:
    bool m_modern = true;
    bool m_trails_supported = true;
    QList<int> m_trails;
};
