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

    // The claim behind the guard: whoever holds the lock file is the one instance. Two starts
    // within the same millisecond cannot both hold it, whatever the socket is doing.
    enum class Claim { First, Running, Unanswered };
    // First: the lock is ours (kept in *lock). Running: another instance holds it and answered
    // on name. Unanswered: another holds it but did not answer within wait_ms.
    static Claim claim(QLockFile* lock, const QString& name, int wait_ms);

signals:
    void show_up();

public slots:
    void slotConnectionEstablished();

private:
    QLocalServer* m_local_server = nullptr;
    QLockFile* m_lock = nullptr;
};
