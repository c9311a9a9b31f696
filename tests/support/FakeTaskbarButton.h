#pragma once

#include "platform/TaskbarButton.h"

// Keeps the state it is given, as a desktop without a launcher would.
class FakeTaskbarButton : public TaskbarButton {
public:
    void set_progress_visible(bool visible) override { m_visible = visible; }
    void set_progress_value(int percent) override { m_value = percent; }
    void set_paused(bool paused) override { m_paused = paused; }

    bool progress_visible() const override { return m_visible; }
    int progress_value() const override { return m_value; }
    bool paused() const override { return m_paused; }

private:
    bool m_visible = false;
    int m_value = 0;
    bool m_paused = false;
};
