#pragma once

#include <QHash>
#include <QSet>
#include <QtGlobal>

// When a frozen paste key may reach the program it is meant for, and which clipboard changes are
// that program's echo of a paste.
//
// The clipboard holds one entry at a time, so a paste pressed while the previous one is still
// being read waits until that read is over: the program pasted into has asked for data and then
// sent nothing for a quiet period, with every transfer to it done. Requests from other programs
// (clipboard managers read every new owner) do not count. A program that asks only for the list
// of formats is done after a longer silence; one that asks nothing is done after the cap. A
// program that is slow right now (a busy machine) gets a longer quiet period: twice the longest
// it took to answer the key or to send its next request. No press waits longer than the cap.
//
// Times are milliseconds of a monotonic clock. Clients are opaque ids (an X client), 0 unknown.
class PasteHold {
public:
    static constexpr qint64 quiet_ms = 20;
    // Chromium reads in bursts with pauses between them (its list of formats again and again,
    // the text twice) and throws a paste away if the clipboard changes before it is done. On a
    // busy machine its pauses reach 70 ms.
    static constexpr qint64 slow_reader_quiet_ms = 100;
    static constexpr qint64 formats_only_quiet_ms = 100;
    static constexpr qint64 cap_ms = 300;
    // A program's echo comes within this long of the data it echoes.
    static constexpr qint64 echo_ms = 150;

    enum class Request { Formats, Data, Refused };

    // A paste key is about to be reported; entry_served() during the report ties an entry to it.
    void paste_pressed() { m_entry_served = false; }
    // The entry for the coming paste is on the clipboard.
    void entry_served();
    // The paste key went to target; the paste counts only if entry_served() came before.
    void paste_released(qint64 now, quint32 target);
    // slow_reader: the requestor is known to pause between its requests.
    void request(qint64 now, quint32 client, Request kind, bool slow_reader = false);
    // A transfer in parts (large data) to client began or ended; while one runs the paste is
    // not over.
    void transfer_started(quint32 client);
    void transfer_ended(qint64 now, quint32 client);

    bool paste_finished(qint64 now) const;
    bool may_release(qint64 now, qint64 frozen_at) const;
    // When may_release() turns true if nothing else happens.
    qint64 release_due(qint64 frozen_at) const;

    // client set the clipboard to what it had just pasted. Such a program does it on every
    // paste: from now on its paste is over only once its echo has come.
    void echo_seen(qint64 now, quint32 client);

    // Ctrl+C or Ctrl+X: the next clipboard change is the user's, whoever makes it.
    void copy_key_pressed();
    // Whether client taking the clipboard now is its echo of data we just gave it.
    bool is_echo(qint64 now, quint32 client) const;

private:
    bool counts(quint32 client) const;
    qint64 quiet() const;

    bool m_entry_served = false;
    bool m_active = false;
    quint32 m_target = 0;
    qint64 m_released_at = 0;
    qint64 m_last_request = 0;
    bool m_any_request = false;
    bool m_data = false;
    bool m_slow_reader = false;
    qint64 m_longest_pause = 0; // of the target, between the key and a request or two requests
    int m_transfers = 0;
    QHash<quint32, qint64> m_data_given; // client -> when it last got data
    QSet<quint32> m_echoing;             // clients that echo their pastes
    bool m_echo_due = false;
};
