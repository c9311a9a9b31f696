#include "WinClipboardWorker.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// The thread's state outlives the worker when the thread is stuck at quit: it is not joined
// then, since joining would hang the exit on the same owner.
struct WinClipboardWorker::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::function<void()> job;
    std::uint64_t started = 0;
    std::uint64_t finished = 0;
    bool stop = false;

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
            wake.notify_all();
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
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    if (m_shared->finished != m_shared->started)
        return Result::StillBusy;
    const std::uint64_t ticket = ++m_shared->started;
    m_shared->job = std::move(work);
    m_shared->wake.notify_all();
    const bool done =
        m_shared->wake.wait_for(lock, timeout, [&] { return m_shared->finished >= ticket; });
    return done ? Result::Done : Result::TimedOut;
}
