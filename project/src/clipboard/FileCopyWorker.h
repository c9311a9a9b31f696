#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>

class QThread;

// Copies files on a thread of its own, one at a time, each bounded by bytes read (see
// PrivateFiles::copy_new): a copy of a large or slow file never holds the GUI thread, where the
// paste key and the clipboard are served. Results come back on the thread that made the worker.
class FileCopyWorker : public QObject {
    Q_OBJECT
public:
    // How long the end of the program waits for a copy under way.
    static constexpr unsigned long stop_wait_ms = 2000;

    FileCopyWorker();
    ~FileCopyWorker() override;

    // Copies source to a new private file target; returns the job's id for copied().
    int submit(const QString& source, const QString& target, qint64 max_bytes);
    int pending() const { return m_pending; }
    // Ends the copy under way and drops the rest; no copied() after it. Waits stop_wait_ms at
    // most.
    void stop();

signals:
    void copied(int id, bool ok, const QString& error);

private:
    // Shared with the thread, which may outlive this object when a copy is stuck.
    struct Link {
        std::mutex mutex;
        FileCopyWorker* owner = nullptr; // cleared when the worker goes
        std::atomic_bool stop{false};
    };

    QThread* m_thread;
    QObject* m_runner; // lives on m_thread
    std::shared_ptr<Link> m_link;
    int m_next_id = 0;
    int m_pending = 0;
};
