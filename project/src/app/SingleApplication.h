#pragma once

#include <QApplication>

class QLocalServer;
class QLockFile;

// The application object, guarded so that only one instance runs per user: a second start
// connects to the first one (which then shows itself) and exits with code 0.
class SingleApplication : public QApplication {
    Q_OBJECT
public:
    SingleApplication(int& argc, char** argv);
    ~SingleApplication() override;

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
    static Claim claim(QLockFile* lock, const QString& name, int wait_ms);

signals:
    void show_up();

public slots:
    void slotConnectionEstablished();

private:
    QLocalServer* m_local_server = nullptr;
    QLockFile* m_lock = nullptr;
};
