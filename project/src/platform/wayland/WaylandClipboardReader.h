#pragma once

#include "platform/ClipboardReader.h"

#include <QHash>

#include <chrono>
#include <functional>

class WaylandClipboardOwner;
class WaylandConnection;

// Reads the selection WaylandClipboardOwner follows: each format through a pipe the owning
// program writes into. The limits are the X11 reader's: one deadline and one size cap for a
// whole capture, a shorter deadline for each format, an end when the selection changes, and an
// immediate end while abort_fd() is readable (a termination signal pending). Our own events are
// handled while we wait, so reading what we serve ourselves cannot hang.
class WaylandClipboardReader : public ClipboardReader {
public:
    static constexpr std::chrono::milliseconds request_timeout{2000};
    static constexpr std::chrono::milliseconds capture_timeout{3000};
    static constexpr qint64 capture_max_bytes = 128LL * 1024 * 1024;

    // max_bytes: the capture's size cap (a smaller one in tests).
    WaylandClipboardReader(WaylandConnection& wayland, WaylandClipboardOwner& owner,
                           std::function<int()> abort_fd, qint64 max_bytes = capture_max_bytes);

    Offer offer() override;
    Data fetch(const QString& format) override;

    // What an owner's list of formats offers: every text encoding once as "text/plain", names
    // that describe the transfer left out; with the name each format is read under.
    struct Offered {
        QStringList formats;
        QHash<QString, QString> read_as;
    };
    static Offered offered(const QStringList& listed);
    // The names text is read under, best first.
    static const QStringList& text_formats();

private:
    using Clock = std::chrono::steady_clock;

    WaylandConnection& m_wayland;
    WaylandClipboardOwner& m_owner;
    std::function<int()> m_abort_fd;
    // The formats of the offer read last, by the name the owner listed them under.
    QHash<QString, QString> m_offered;
    const void* m_offer = nullptr;
    Clock::time_point m_capture_deadline;
    const qint64 m_max_bytes;
    qint64 m_budget = 0;
};
