#pragma once

#include <QtGlobal>

// Processes as the paste hold and the injector need to tell them apart.
class WinProcess {
public:
    // Monotonic milliseconds: the clock of the paste hold.
    static qint64 now_ms();
    // The id of the process that owns the foreground window; 0 when none.
    static quint32 foreground_process();
    // The id of the process that owns window (an HWND); 0 when unknown.
    static quint32 process_of(void* window);
    // Whether the foreground window runs with more rights than we do: our keys cannot reach it.
    static bool foreground_is_elevated_above_us();
};
