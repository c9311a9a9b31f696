#pragma once

#include "platform/ShellLinks.h"

#include <QList>

// Launchers as a test sees them: every request, in order.
class FakeShellLinks : public ShellLinks {
public:
    bool create(const Link& link, QString* error) override {
        m_requests.append(link);
        if (m_fail && error)
            *error = QStringLiteral("refused by the test");
        return !m_fail;
    }

    QList<Link> requests() const { return m_requests; }
    void set_fail(bool fail) { m_fail = fail; }
    void reset() {
        m_requests.clear();
        m_fail = false;
    }

private:
    QList<Link> m_requests;
    bool m_fail = false;
};
