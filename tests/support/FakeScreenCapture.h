#pragma once

#include "platform/ScreenCapture.h"

#include <QList>

// Answers with what a test gave it, or, by default, with what Qt's screens show; records the
// areas asked for.
class FakeScreenCapture : public ScreenCapture {
public:
    QImage grab(const QRect& area, QString* error) override;

    // A null image makes every grab fail, as on a display without the fast path.
    void set_desktop(const QImage& desktop, bool use_it = true) {
        m_desktop = desktop;
        m_use_desktop = use_it;
    }
    void clear() {
        m_use_desktop = false;
        m_asked.clear();
    }
    QList<QRect> asked() const { return m_asked; }

private:
    QImage m_desktop;
    bool m_use_desktop = false;
    QList<QRect> m_asked;
};
