#pragma once

#include <QApplication>

class QLocalServer;
class QLocalSocket;

// The application object, guarded so that only one instance runs per user: a second start
// connects to the first one (which then shows itself) and exits with code 0.
class SingleApplication : public QApplication {
    Q_OBJECT
public:
    SingleApplication(int& argc, char** argv);
    ~SingleApplication() override;

    static QString server_name(const QString& organization, const QString& application);

signals:
    void show_up();

public slots:
    void slotConnectionEstablished();

private:
    QLocalSocket* m_local_socket = nullptr;
    QLocalServer* m_local_server = nullptr;
};
