#include "WinClipboardWorker.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include <windows.h>

namespace {
// Sent to the worker's window when its caller gave up; wParam names the work.
constexpr UINT release_message = WM_APP + 1;
// The work the worker thread runs now, and whether its clipboard was closed for it. Only that
// thread reads and writes them: the release runs on it too, inside the wait.
thread_local std::uint64_t running = 0;
thread_local bool released = false;

LRESULT CALLBACK release_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != release_message)
        return DefWindowProcW(window, message, wparam, lparam);
    // A late request for work that already finished must not close a later one's clipboard.
    if (std::uint64_t(wparam) == running && !released) {
        released = true;
        CloseClipboard();
    }
    return 0;
}

const wchar_t* release_class() {
    static const wchar_t* const name = [] {
        WNDCLASSW type{};
        type.lpfnWndProc = release_proc;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = L"CorvanaClipboardWorker";
        RegisterClassW(&type);
        return type.lpszClassName;
    }();
    return name;
}
} // namespace

// The thread's state outlives the worker when the thread is stuck at quit: it is not joined
// then, since joining would hang the exit on the same owner.
struct WinClipboardWorker::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::function<void()> job;
    std::uint64_t started = 0;
    std::uint64_t finished = 0;
    bool stop = false;
    HWND window = nullptr; // the worker's, for the release
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);

    ~Shared() {
        if (done)
            CloseHandle(done);
    }

    void loop() {
        HWND own = CreateWindowExW(0, release_class(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        std::unique_lock<std::mutex> lock(mutex);
        window = own;
        for (;;) {
            wake.wait(lock, [this] { return stop || job; });
            if (!job)
                break;
            std::function<void()> work = std::move(job);
            job = nullptr;
            running = started;
            released = false;
            lock.unlock();
            work();
            lock.lock();
            running = 0;
            ++finished;
            SetEvent(done);
        }
        window = nullptr;
        lock.unlock();
        if (own)
            DestroyWindow(own);
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

void* WinClipboardWorker::clipboard_data(unsigned format) {
    HANDLE data = GetClipboardData(format);
    return released ? nullptr : data;
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
            break;
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
    HWND window;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (m_shared->finished >= ticket)
            return Result::Done;
        if (m_shared->job) {
            // Not started yet (the thread had not come up): it never will be.
            m_shared->job = nullptr;
            ++m_shared->finished;
            return Result::TimedOut;
        }
        window = m_shared->window;
    }
    // Sent, not posted: the worker runs sent messages inside the wait on the owner, where it
    // is stuck. Sending it this way does not wait for the worker to take it.
    if (window)
        SendNotifyMessageW(window, release_message, WPARAM(ticket), 0);
    return Result::TimedOut;
}
