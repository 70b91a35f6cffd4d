#include "pauselock.h"

#include <QMutexLocker>
#include <QThread>
#include <QtGlobal>

namespace {
thread_local int t_held = 0;
std::atomic<PauseLock::ReleasedHook> g_releasedHook{nullptr};
std::atomic<int> g_reentries{0};
} // namespace

void PauseLock::acquired()
{
    m_owner.store(QThread::currentThreadId());
    ++t_held;
}

void PauseLock::lock()
{
    if (m_owner.load() == QThread::currentThreadId()) {
        ++g_reentries;
        ++m_depth;
        ++t_held;
        qWarning("pause lock asked for again by the thread that holds it");
        return;
    }
    {
        QMutexLocker locker(&m_state);
        const quint64 ticket = m_nextTicket++;
        while (ticket != m_serving)
            m_turn.wait(&m_state);
    }
    acquired();
}

void PauseLock::unlock()
{
    if (m_depth > 0 && m_owner.load() == QThread::currentThreadId()) {
        --m_depth;
    } else {
        m_owner.store(nullptr);
        QMutexLocker locker(&m_state);
        ++m_serving;
        m_turn.wakeAll();
    }
    if (t_held > 0 && --t_held == 0) {
        if (ReleasedHook hook = g_releasedHook.load())
            hook();
    }
}

bool PauseLock::tryLock()
{
    if (m_owner.load() == QThread::currentThreadId())
        return false;
    {
        QMutexLocker locker(&m_state);
        if (m_nextTicket != m_serving)
            return false;
        ++m_nextTicket;
    }
    acquired();
    return true;
}

bool PauseLock::heldByCurrentThread()
{
    return t_held > 0;
}

void PauseLock::setReleasedHook(ReleasedHook hook)
{
    g_releasedHook.store(hook);
}

int PauseLock::reentries()
{
    return g_reentries.load();
}
