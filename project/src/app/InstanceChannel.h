#pragma once

#include <QObject>
#include <functional>

class QLocalSocket;

// The line protocol between a second start and the running instance. The client sends one line
// naming a command ("paste-next\n") and reads one line back: "ok" or "error: why". A connection
// closed without sending anything asks the running instance to show itself, as every start did
// before there were commands. Anything another process sends is checked: only this user's
// processes, one short line, known commands, within a time limit per connection.
class InstanceChannel : public QObject {
    Q_OBJECT
public:
    static constexpr int max_line = 64;
    static constexpr int read_limit_ms = 2000;
    static constexpr int max_connections = 8;

    explicit InstanceChannel(QObject* parent = nullptr);

    // Serves one accepted connection and deletes it when done.
    void take(QLocalSocket* connection);

    // Who may connect: the platform's same-user check unless replaced.
    using PeerCheck = std::function<bool(qintptr descriptor, QString* error)>;
    void set_peer_check(PeerCheck check) { m_peer_check = std::move(check); }

    static bool is_known(const QByteArray& command);
    // Control characters and bytes outside ASCII as \xHH, cut after 40 bytes: for a log line.
    static QString printable(const QByteArray& bytes);

    // Client side. Connects to name within connect_ms and sends command (nothing when empty).
    // NotRunning: nobody listens. Answered: *answer holds the answer line, empty for a bare
    // connection. NoAnswer: connected, but no answer line came within answer_ms.
    enum class Reply { NotRunning, Answered, NoAnswer };
    static Reply ask(const QString& name, const QByteArray& command, int connect_ms, int answer_ms,
                     QByteArray* answer);

signals:
    void show_up();
    // A known command; whoever carries it out logs it.
    void command_received(const QString& command);

private:
    struct Pending;
    void read(QLocalSocket* connection, Pending& pending);
    void answer(QLocalSocket* connection, Pending& pending, const QByteArray& line);

    PeerCheck m_peer_check;
    int m_open = 0;
};
