#include "pauselock.h"

#include <QMutexLocker>

void PauseLock::lock()
{
    QMutexLocker locker(&m_state);
    const quint64 ticket = m_nextTicket++;
    while (ticket != m_serving)
        m_turn.wait(&m_state);
}

void PauseLock::unlock()
{
    QMutexLocker locker(&m_state);
    ++m_serving;
    m_turn.wakeAll();
}

bool PauseLock::tryLock()
{
    QMutexLocker locker(&m_state);
    if (m_nextTicket != m_serving)
        return false;
    ++m_nextTicket;
    return true;
}
