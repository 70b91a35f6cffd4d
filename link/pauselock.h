#pragma once

#include <QMutex>
#include <QWaitCondition>

// The polling worker's pause lock: a non-recursive lock that serves its takers in
// the order they asked. The worker releases and retakes it after every pass; with a
// plain mutex it could take it straight back and starve a page that waits.
class PauseLock
{
public:
    PauseLock() = default;
    PauseLock(const PauseLock &) = delete;
    PauseLock &operator=(const PauseLock &) = delete;

    void lock();
    void unlock();
    bool tryLock();

private:
    QMutex m_state;
    QWaitCondition m_turn;
    quint64 m_nextTicket = 0;
    quint64 m_serving = 0;
};
