#pragma once

#include "platform/ActiveWindow.h"

// The foreground window. Windows lets a process bring a window to the front only in some
// states; when it refuses, the input of the two threads is joined for the moment of the call.
class WinActiveWindow : public ActiveWindow {
public:
    quint64 current() override;
    bool activate(quint64 window, QString* error) override;
    void join_foreground_input() override;
    void release_foreground_input() override;

private:
    unsigned long m_joined_thread = 0;
};
