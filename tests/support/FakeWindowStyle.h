#pragma once

#include "platform/WindowStyle.h"

#include <QList>
#include <QPair>

class QWidget;

// Records every click-through request; can be told to refuse them.
class FakeWindowStyle : public WindowStyle {
public:
    bool set_click_through(QWidget* window, bool on, QString* error) override {
        m_calls.append({window, on});
        if (m_refuse && error)
            *error = QStringLiteral("refused by the test");
        return !m_refuse;
    }

    QList<QPair<QWidget*, bool>> calls() const { return m_calls; }
    void clear() { m_calls.clear(); }
    void set_refuse(bool refuse) { m_refuse = refuse; }

private:
    QList<QPair<QWidget*, bool>> m_calls;
    bool m_refuse = false;
};
