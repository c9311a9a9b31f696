#pragma once

#include "platform/TaskbarButton.h"

// The progress bar on the main window's taskbar button (ITaskbarList3). The state is kept and
// shown again on every change; windows that have no button yet only keep it.
class WinTaskbarButton : public TaskbarButton {
public:
    ~WinTaskbarButton() override;

    void set_progress_visible(bool visible) override;
    void set_progress_value(int percent) override;
    void set_paused(bool paused) override;

    bool progress_visible() const override { return m_visible; }
    int progress_value() const override { return m_value; }
    bool paused() const override { return m_paused; }

private:
    void show();

    void* m_list = nullptr; // ITaskbarList3, made on first use
    bool m_tried = false;
    bool m_visible = false;
    int m_value = 0;
    bool m_paused = false;
};
