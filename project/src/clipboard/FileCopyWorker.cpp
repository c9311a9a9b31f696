#include "clipboard/FileCopyWorker.h"

#include "common/AppLog.h"
#include "common/PrivateFiles.h"

#include <QThread>

FileCopyWorker::FileCopyWorker()
    : m_thread(new QThread), m_runner(new QObject), m_link(std::make_shared<Link>()) {
    m_link->owner = this;
    m_thread->setObjectName(QStringLiteral("file copies"));
    m_runner->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_runner, &QObject::deleteLater);
    m_thread->start();
}

FileCopyWorker::~FileCopyWorker() {
    stop();
}

void FileCopyWorker::stop() {
    if (!m_thread)
        return;
    {
        std::lock_guard<std::mutex> lock(m_link->mutex);
        m_link->owner = nullptr;
        m_link->stop = true;
    }
    m_thread->quit();
    QThread* thread = m_thread;
    m_thread = nullptr;
    if (thread->wait(stop_wait_ms)) {
        delete thread;
        return;
    }
    // Stuck in the file system (a hung network mount): the process is ending, and destroying a
    // running thread would abort it. The thread reaches nothing of ours but the shared link.
    APP_LOG(QStringLiteral("A file copy did not stop; leaving it to the end of the process"));
}

int FileCopyWorker::submit(const QString& source, const QString& target, qint64 max_bytes) {
    const int id = ++m_next_id;
    if (!m_thread)
        return id; // stopped: the program is ending
    ++m_pending;
    const std::shared_ptr<Link> link = m_link;
    QMetaObject::invokeMethod(
        m_runner,
        [link, id, source, target, max_bytes] {
            if (link->stop)
                return;
            QString error;
            const bool ok = PrivateFiles::copy_new(source, target, max_bytes, &error, &link->stop);
            std::lock_guard<std::mutex> lock(link->mutex);
            if (!link->owner)
                return;
            FileCopyWorker* owner = link->owner;
            // Posted while the owner cannot go; dropped if it goes before the event is handled.
            QMetaObject::invokeMethod(
                owner,
                [owner, id, ok, error] {
                    if (!owner->m_thread)
                        return; // stopped meanwhile
                    --owner->m_pending;
                    if (!ok)
                        APP_LOG(QStringLiteral("File not copied: ") + error);
                    emit owner->copied(id, ok, error);
                },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
    return id;
}
