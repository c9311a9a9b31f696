#pragma once

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#endif

// While it lives, files this process writes cannot grow past max_bytes: a write across the limit
// stops part way and fails, as on a full disk (POSIX RLIMIT_FSIZE, with SIGXFSZ ignored so that
// the write fails instead of ending the process). active() is false where there is no such limit.
class FileSizeLimit {
public:
#ifdef Q_OS_WIN
    explicit FileSizeLimit(qint64) {}
#else
    explicit FileSizeLimit(qint64 max_bytes) {
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        if (getrlimit(RLIMIT_FSIZE, &m_old) != 0)
            return;
        rlimit limit = m_old;
        limit.rlim_cur = rlim_t(max_bytes);
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        if (m_active)
            setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_signal);
    }
#endif
    bool active() const {
        return m_active;
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
#ifndef Q_OS_WIN
    rlimit m_old;
    void (*m_signal)(int);
#endif
    bool m_active = false;
};
