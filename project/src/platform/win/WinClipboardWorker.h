#pragma once

#include <chrono>
#include <functional>
#include <memory>

// Runs clipboard reads on a thread of its own. GetClipboardData on a delay-rendered format waits
// for the owner to answer WM_RENDERFORMAT, for as long as the owner likes; an owner that never
// answers then holds this thread, not Corvana's. The work must keep what it writes alive itself
// (a shared pointer): after a timeout it may still finish, long after the caller gave up.
class WinClipboardWorker {
public:
    WinClipboardWorker();
    ~WinClipboardWorker();
    WinClipboardWorker(const WinClipboardWorker&) = delete;
    WinClipboardWorker& operator=(const WinClipboardWorker&) = delete;

    enum class Result { Done, TimedOut, StillBusy };
    // Runs work and waits for it up to timeout, answering messages sent to the calling thread's
    // windows meanwhile. StillBusy: an earlier call has not come back yet, and work was not
    // started.
    Result run(std::function<void()> work, std::chrono::milliseconds timeout);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
