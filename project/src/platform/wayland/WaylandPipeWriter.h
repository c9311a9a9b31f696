#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class QSocketNotifier;

// Writes one answer to a program that pastes from us into the pipe it gave, as fast as it reads,
// and closes the pipe at the end. A reader that stops reading costs at most time_limit_ms; then
// the pipe is closed and the writer deletes itself.
class WaylandPipeWriter : public QObject {
    Q_OBJECT
public:
    static constexpr int time_limit_ms = 5000;

    // Takes ownership of fd.
    WaylandPipeWriter(int fd, QByteArray bytes, QObject* parent);
    ~WaylandPipeWriter() override;
    // Writes what the pipe takes now, the rest as it drains.
    void start();

signals:
    void finished(bool complete);

private:
    void write_some();
    void finish(bool complete);

    int m_fd;
    QByteArray m_bytes;
    qint64 m_written = 0;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_limit;
};
