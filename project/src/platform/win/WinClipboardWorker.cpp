#include "WinClipboardWorker.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include <windows.h>

// The thread's state outlives the worker when the thread is stuck at quit: it is not joined
// then, since joining would hang the exit on the same owner.
struct WinClipboardWorker::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::function<void()> job;
    std::uint64_t started = 0;
    std::uint64_t finished = 0;
    bool stop = false;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    ~Shared() {
        if (done)
            CloseHandle(done);
    }

    void loop() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stop || job; });
            if (!job)
                return;
            std::function<void()> work = std::move(job);
            job = nullptr;
            lock.unlock();
            work();
            lock.lock();
            ++finished;
            SetEvent(done);
        }
    }
};

WinClipboardWorker::WinClipboardWorker() : m_shared(std::make_shared<Shared>()) {
    std::thread([shared = m_shared] { shared->loop(); }).detach();
}

WinClipboardWorker::~WinClipboardWorker() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->stop = true;
    m_shared->wake.notify_all();
}

WinClipboardWorker::Result WinClipboardWorker::run(std::function<void()> work,
                                                   std::chrono::milliseconds timeout) {
    std::uint64_t ticket;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (m_shared->finished != m_shared->started)
            return Result::StillBusy;
        ticket = ++m_shared->started;
        ResetEvent(m_shared->done);
        m_shared->job = std::move(work);
        m_shared->wake.notify_all();
    }
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_shared->mutex);
            if (m_shared->finished >= ticket)
                return Result::Done;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return Result::TimedOut;
        // Messages sent to this thread's windows are answered while waiting: when the owner
        // is our own window, its WM_RENDERFORMAT comes here, and not answering it would
        // deadlock the read. Posted messages stay queued for the event loop.
        const DWORD woke = MsgWaitForMultipleObjects(1, &m_shared->done, FALSE, DWORD(left.count()),
                                                     QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
}
