#pragma once

#include <QMutex>
#include <QWaitCondition>
#include <atomic>

// The polling worker's pause lock: a non-recursive lock that serves its takers in
// the order they asked. The worker releases and retakes it after every pass; with a
// plain mutex it could take it straight back and starve a page that waits.
//
// A thread that asks again for the lock it holds would wait for itself for good; that
// is a fault of the caller, so it is counted (reentries()) and let through instead.
class PauseLock
{
public:
    PauseLock() = default;
    PauseLock(const PauseLock &) = delete;
    PauseLock &operator=(const PauseLock &) = delete;

    void lock();
    void unlock();
    bool tryLock();

    // True while the calling thread holds any pause lock.
    static bool heldByCurrentThread();
    // Called on a thread each time it lets go of the last pause lock it held; messages
    // that could not be shown under the lock are shown from here.
    using ReleasedHook = void (*)();
    static void setReleasedHook(ReleasedHook hook);
    // How often a thread asked for a lock it already held, since the program started.
    static int reentries();

private:
    void acquired();

    QMutex m_state;
    QWaitCondition m_turn;
    quint64 m_nextTicket = 0;
    quint64 m_serving = 0;
    std::atomic<Qt::HANDLE> m_owner{nullptr};
    int m_depth = 0; // extra holds by the owner; touched by the owner only
};
