#pragma once

#include <QApplication>

class InstanceChannel;
class QLocalServer;
class QLockFile;

// The application object, guarded so that only one instance runs per user: a second start
// connects to the first one, hands it its command (without one, the first shows itself) and
// exits: 0 when the first took it, 1 when it refused or did not answer.
class SingleApplication : public QApplication {
    Q_OBJECT
public:
    // command: what a second start asks of the running instance ("paste-next", ...).
    SingleApplication(int& argc, char** argv, const QString& command = QString());
    ~SingleApplication() override;

    // Sends command to the running instance without starting one (an application object must
    // exist; no display is needed). Returns the exit code, with a message on standard error
    // when it is not 0.
    static int send_to_running(const QString& command);

    static QString server_name(const QString& organization, const QString& application);
    // The name one instance listens on and locks: one per user and desktop session.
    static QString instance_name(const QString& organization, const QString& application,
                                 const QString& session);
    // The private folder that holds the lock and the socket: the runtime folder when there is
    // one, else a folder of this user's own; empty (error says why) when none can be had.
    static QString instance_dir(const QString& runtime_dir, QString* error);

    // The claim behind the guard: whoever holds the lock file is the one instance. Two starts
    // within the same millisecond cannot both hold it, whatever the socket is doing.
    enum class Claim { First, Running, Unanswered };
    // First: the lock is ours (kept in *lock). Running: another instance holds it and answered
    // on name. Unanswered: another holds it but did not answer within wait_ms.
    // A lock file that nobody answers for and no live process holds is stale, whatever it says
    // inside (another host name, a reused process id, garbage): it is taken over. The lock is
    // the file name + ".lock".
    // A start with a command sends it on name when another instance answers, and *answer holds
    // the reply line ("ok", or empty when none came).
    static Claim claim(QLockFile* lock, const QString& name, int wait_ms,
                       const QByteArray& command = QByteArray(), QByteArray* answer = nullptr);

signals:
    void show_up();
    // A second start's command, for the instance to carry out.
    void command_received(const QString& command);

public slots:
    void slotConnectionEstablished();

private:
    static QString guard_name(QString* error);
    static int exit_code(const QString& command, const QByteArray& answer);

    QLocalServer* m_local_server = nullptr;
    InstanceChannel* m_channel = nullptr;
    QLockFile* m_lock = nullptr;
};
