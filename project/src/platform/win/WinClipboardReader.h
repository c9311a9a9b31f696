#pragma once

#include "WinClipboardWorker.h"
#include "platform/ClipboardReader.h"

#include <QHash>

#include <chrono>
#include <functional>

// Reads the clipboard with the Win32 clipboard calls. An offer and the reads after it are one
// capture with one deadline and one size cap; each read opens the clipboard again (retried
// within a bound while another program holds it) and gives up when the content changed since the
// offer. OLE's live formats and GDI handles are never read. The Windows marks of content not to
// keep are offered as the secret hint the rest of the program knows. The clipboard calls run on a
// worker thread: an owner that never renders what it offers costs one capture, not the program,
// and a read that gives up on it leaves the clipboard closed for other programs.
class WinClipboardReader : public ClipboardReader {
public:
    static constexpr std::chrono::milliseconds capture_timeout{3000};
    static constexpr qint64 capture_max_bytes = 128LL * 1024 * 1024;
    // How long a read waits for another program to close the clipboard.
    static constexpr int open_wait_ms = 500;

    // we_serve: whether our own clipboard owner holds the clipboard at the moment.
    explicit WinClipboardReader(std::function<bool()> we_serve);

    Offer offer() override;
    Data fetch(const QString& format) override;

    // Opens the clipboard for window (an HWND, may be null), retried for up to wait_ms.
    static bool open_clipboard(void* window, int wait_ms, QString* error);

private:
    bool read(unsigned format, QByteArray* bytes, QString* error);
    // Runs work on the worker within what is left of the capture's time.
    bool run_bounded(std::function<void()> work, QString* error);

    std::function<bool()> m_we_serve;
    std::chrono::steady_clock::time_point m_deadline;
    qint64 m_budget = 0;
    quint32 m_sequence = 0; // of the offer
    bool m_secret = false;
    QHash<QString, unsigned> m_offered; // MIME name -> the format it is read from
    WinClipboardWorker m_worker;
};
