#pragma once

#include "pauselock.h"

// Holds a worker's pause lock for one page operation; there may be no worker yet, and
// then there is nothing to hold. Released explicitly before any message box.
class PauseLocker
{
public:
    explicit PauseLocker(PauseLock *lock) : m_lock(lock)
    {
        if (m_lock) {
            m_lock->lock();
            m_held = true;
        }
    }
    ~PauseLocker() { unlock(); }
    PauseLocker(const PauseLocker &) = delete;
    PauseLocker &operator=(const PauseLocker &) = delete;

    void unlock()
    {
        if (m_held) {
            m_held = false;
            m_lock->unlock();
        }
    }
    void relock()
    {
        if (m_lock && !m_held) {
            m_lock->lock();
            m_held = true;
        }
    }
    bool isHeld() const { return m_held; }

private:
    PauseLock *m_lock;
    bool m_held = false;
};
