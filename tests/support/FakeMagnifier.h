#pragma once

#include "platform/Magnifier.h"

#include <QList>

// Records every view it was asked to show.
class FakeMagnifier : public Magnifier {
public:
    struct Call {
        float factor;
        QRect view;
        QRect screen;
    };

    bool set_view(float factor, const QRect& view, const QRect& screen, QString*) override {
        m_calls.append({factor, view, screen});
        return true;
    }

    const QList<Call>& calls() const { return m_calls; }
    Call last() const { return m_calls.isEmpty() ? Call{1.0f, QRect(), QRect()} : m_calls.last(); }
    bool magnified() const { return !m_calls.isEmpty() && m_calls.last().factor > 1.0f; }
    void clear() { m_calls.clear(); }

private:
    QList<Call> m_calls;
};
