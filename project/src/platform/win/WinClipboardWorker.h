#pragma once

#include <chrono>
#include <functional>
#include <memory>

// Runs clipboard reads on a thread of its own. GetClipboardData on a delay-rendered format waits
// for the owner to answer WM_RENDERFORMAT, for as long as the owner likes; an owner that never
// answers then holds this thread, not Corvana's. The work must keep what it writes alive itself
// (a shared pointer): after a timeout it may still finish, long after the caller gave up.
//
// A read that timed out must not keep the clipboard open, or no program could copy until the
// owner answers. Only the thread that opened the clipboard can close it, and nothing cancels the
// wait inside GetClipboardData (ending the thread would leave user32's locks taken). That wait
// still runs messages sent to the thread's own windows, though: on a timeout the caller sends
// one to the worker's window, and the worker closes the clipboard from inside the wait. The call
// itself goes on waiting, so later reads fail at once until it returns. A second thread could not
// read meanwhile anyway: user32 may let one GetClipboardData of a process run at a time (Wine's
// does), and a thread waiting its turn there would hold the clipboard open again, out of reach.
class WinClipboardWorker {
public:
    WinClipboardWorker();
    ~WinClipboardWorker();
    WinClipboardWorker(const WinClipboardWorker&) = delete;
    WinClipboardWorker& operator=(const WinClipboardWorker&) = delete;

    enum class Result { Done, TimedOut, StillBusy };
    // Runs work and waits for it up to timeout, answering messages sent to the calling thread's
    // windows meanwhile. TimedOut: the work's clipboard is closed for it as soon as it waits on
    // the owner. StillBusy: an earlier call has not come back yet, and work was not started.
    Result run(std::function<void()> work, std::chrono::milliseconds timeout);

    // GetClipboardData for the work (a HANDLE). Null as well when the caller gave up meanwhile
    // and the clipboard was closed: the handle is then no longer the work's to read.
    static void* clipboard_data(unsigned format);

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};
