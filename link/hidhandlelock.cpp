#include "hidhandlelock.h"

#include <algorithm>
#include <cstdint>

bool HidHandleLock::lockForRead(Clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_changed.wait_until(lock, deadline, [this] { return !m_busy && m_writersWaiting == 0; }))
        return false;
    m_busy = true;
    return true;
}

bool HidHandleLock::lockForWrite(Clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_writersWaiting;
    const bool got = m_changed.wait_until(lock, deadline, [this] { return !m_busy; });
    --m_writersWaiting;
    if (got) {
        m_busy = true;
        return true;
    }
    lock.unlock();
    m_changed.notify_all(); // readers held back for this writer may go on
    return false;
}

void HidHandleLock::unlock()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_busy = false;
    }
    m_changed.notify_all();
}

struct HidDeadlineWriter::Shared {
    std::shared_ptr<HidHandleLock> handleLock;
    std::mutex mutex;
    std::condition_variable changed;
    Job job; // the write waiting for the thread, if any
    Clock::time_point deadline;
    std::uint64_t submitted = 0; // number of the last job handed over
    std::uint64_t finished = 0;  // number of the last job that ended
    int result = -1;             // of job `finished`
    bool running = false;
    bool stop = false;
};

HidDeadlineWriter::HidDeadlineWriter(std::shared_ptr<HidHandleLock> lock)
    : m_shared(std::make_shared<Shared>())
{
    m_shared->handleLock = std::move(lock);
    m_thread = std::thread(&HidDeadlineWriter::run, m_shared);
}

HidDeadlineWriter::~HidDeadlineWriter()
{
    bool idle = false;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->stop = true;
        m_shared->job = nullptr;
        idle = !m_shared->running;
    }
    m_shared->changed.notify_all();
    // A write stuck in the kernel must not hold up whoever closes the connection.
    if (idle)
        m_thread.join();
    else
        m_thread.detach();
}

void HidDeadlineWriter::run(std::shared_ptr<Shared> shared)
{
    std::unique_lock<std::mutex> lock(shared->mutex);
    for (;;) {
        shared->changed.wait(lock, [&] { return shared->stop || shared->job; });
        if (!shared->job)
            return; // stopped
        Job job = std::move(shared->job);
        shared->job = nullptr;
        const Clock::time_point deadline = shared->deadline;
        const std::uint64_t number = shared->submitted;
        shared->running = true;
        lock.unlock();
        // A write whose deadline passed before it could start is not started.
        const int result = Clock::now() < deadline ? job(deadline) : -1;
        job = nullptr; // releases what the job owns (the handle) before the lock opens
        lock.lock();
        shared->running = false;
        shared->finished = number;
        shared->result = result;
        shared->changed.notify_all();
        shared->handleLock->unlock();
    }
}

int HidDeadlineWriter::write(Job job, Clock::time_point deadline)
{
    if (!m_shared->handleLock->lockForWrite(deadline))
        return -1;
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    const std::uint64_t number = ++m_shared->submitted;
    m_shared->job = std::move(job);
    m_shared->deadline = deadline;
    m_shared->changed.notify_all();
    if (m_shared->changed.wait_until(lock, deadline, [&] { return m_shared->finished == number; }))
        return m_shared->result;
    // The thread opens the lock when the job ends, or when it finds it too late to start.
    return -1;
}

namespace HidDeadline {

HidHandleLock::Clock::time_point after(int timeoutMs)
{
    return HidHandleLock::Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
}

int remainingMs(HidHandleLock::Clock::time_point deadline)
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - HidHandleLock::Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

} // namespace HidDeadline
