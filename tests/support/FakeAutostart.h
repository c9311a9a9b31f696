#pragma once

#include "platform/Autostart.h"

// Start at login as a test sees it: what was written and removed, and how often.
class FakeAutostart : public Autostart {
public:
    bool matches(const QString& executable, const QString& working_dir) const override {
        return m_enabled && m_executable == executable && m_working_dir == working_dir;
    }
    bool enable(const QString& executable, const QString& working_dir, QString* error) override {
        ++m_writes;
        if (m_fail) {
            if (error)
                *error = QStringLiteral("refused by the test");
            return false;
        }
        m_enabled = true;
        m_executable = executable;
        m_working_dir = working_dir;
        return true;
    }
    bool disable(QString* error) override {
        if (m_fail) {
            if (error)
                *error = QStringLiteral("refused by the test");
            return false;
        }
        m_enabled = false;
        return true;
    }

    bool enabled() const { return m_enabled; }
    QString executable() const { return m_executable; }
    int writes() const { return m_writes; }
    void set_fail(bool fail) { m_fail = fail; }
    void reset() { *this = FakeAutostart(); }

private:
    bool m_enabled = false;
    bool m_fail = false;
    QString m_executable;
    QString m_working_dir;
    int m_writes = 0;
};
