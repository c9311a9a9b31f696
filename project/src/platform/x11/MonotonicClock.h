#pragma once

#include <QtGlobal>

#include <chrono>

// Milliseconds on a clock that never jumps: the keyboard and the clipboard owner compare their
// times for the paste hold.
inline qint64 monotonic_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
