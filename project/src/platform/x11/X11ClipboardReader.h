#pragma once

#include "X11AtomNames.h"
#include "platform/ClipboardReader.h"

#include <QHash>
#include <QVector>

#include <xcb/xcb.h>

#include <chrono>
#include <functional>

// Reads CLIPBOARD on a connection of its own, so the wait for an owner's answer is ours to
// bound: one deadline and one size cap for a whole capture (the offer and every format read
// after it), a shorter deadline for each answer and each INCR part, an end when the owner
// changes or vanishes, and an immediate end while abort_fd() is readable (a termination signal
// pending). An owner that drips an endless transfer, sends without end, or leaves format after
// format unanswered costs at most the capture's deadline and its cap. A list of formats is
// looked at only so far (X11TargetList), and the names of its atoms are asked in batches and
// remembered within a bound.
// Never asks ourselves: when Qt owns the clipboard the data comes from Qt, and when our own
// clipboard window does, a paste has overtaken the copy and there is nothing left to read.
class X11ClipboardReader : public ClipboardReader {
public:
    static constexpr std::chrono::milliseconds request_timeout{2000};
    // The GUI thread waits on a capture, so the whole of it is held to little more than one
    // silent request; a local owner sends the largest content in well under a second.
    static constexpr std::chrono::milliseconds capture_timeout{3000};
    // All formats of one capture together. Above any text or picture a person copies (an 8K
    // screenshot as PNG is some 50 MB), far below the 2 GB a QByteArray can hold.
    static constexpr qint64 capture_max_bytes = 128LL * 1024 * 1024;

    // we_serve: whether our own clipboard window owns the clipboard at the moment.
    X11ClipboardReader(std::function<int()> abort_fd, std::function<bool()> we_serve);
    ~X11ClipboardReader() override;
    X11ClipboardReader(const X11ClipboardReader&) = delete;
    X11ClipboardReader& operator=(const X11ClipboardReader&) = delete;

    Offer offer() override;
    Data fetch(const QString& format) override;

private:
    enum class Wait { Ready, TimedOut, Aborted, OwnerGone, Broken };

    bool connect_once(QString* error);
    xcb_atom_t atom(const QString& name);
    // The names of atoms, empty where unknown; false (error says why) when the capture's
    // deadline passed or the program is ending meanwhile.
    bool atom_names(const QVector<quint32>& atoms, QVector<QString>* names, QString* error);
    bool aborting() const;
    xcb_window_t current_owner();
    // Asks the owner for target and reads the answer, INCR included; type gets the reply's type.
    Data convert(xcb_atom_t target, xcb_atom_t* type);
    Wait wait_for(const std::function<bool(xcb_generic_event_t*)>& wanted,
                  std::chrono::steady_clock::time_point deadline);
    bool read_property(QByteArray* bytes, xcb_atom_t* type, QString* error);
    xcb_atom_t read_property_atom();

    std::function<int()> m_abort_fd;
    std::function<bool()> m_we_serve;
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_window = 0;
    xcb_window_t m_owner = 0;
    bool m_local = false; // Qt owns the clipboard
    std::chrono::steady_clock::time_point m_capture_deadline;
    qint64 m_budget = 0; // bytes the capture may still read
    int m_property = 0;  // the read property's number: a new one after an abandoned transfer
    QHash<QString, xcb_atom_t> m_atoms;   // the few names this class asks for itself
    X11AtomNames m_names{4096};           // names of atoms owners offered
    QHash<QString, xcb_atom_t> m_offered; // MIME name -> the target it is read from
};
