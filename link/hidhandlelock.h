#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The one lock around an opened HID handle: the GUI thread and the polling worker (or a
// drain thread) never use the handle at once. A reader holds it for one poll slice at
// most and gives way to a waiting writer, so a write waits at most one report wait.
class HidHandleLock
{
public:
    using Clock = std::chrono::steady_clock;

    // Both return false when the lock could not be taken by `deadline`.
    bool lockForRead(Clock::time_point deadline);
    bool lockForWrite(Clock::time_point deadline);
    void unlock();

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_busy = false;
    int m_writersWaiting = 0;
};

// Runs each write on a thread of its own, so that the caller's deadline holds even when
// the system call blocks for longer: hidraw's write() waits for the USB transfer (up to
// the kernel's 5 s) whatever O_NONBLOCK says, and hidraw always polls writable.
class HidDeadlineWriter
{
public:
    using Clock = HidHandleLock::Clock;
    // Gets the deadline; returns the bytes written or -1. Whatever it needs after a
    // time-out (the handle) it must own, since it may outlive the writer.
    using Job = std::function<int(Clock::time_point deadline)>;

    explicit HidDeadlineWriter(std::shared_ptr<HidHandleLock> lock);
    // Joins an idle thread; a thread still inside a write finishes it on its own.
    ~HidDeadlineWriter();
    HidDeadlineWriter(const HidDeadlineWriter &) = delete;
    HidDeadlineWriter &operator=(const HidDeadlineWriter &) = delete;

    // Takes the handle lock by `deadline`, runs `job` on the writer thread with the lock
    // held and returns its result; -1 when the lock or the job did not come by the
    // deadline. A job still running then keeps the lock until it ends.
    int write(Job job, Clock::time_point deadline);

private:
    struct Shared;
    static void run(std::shared_ptr<Shared> shared);

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

namespace HidDeadline {
// The moment `timeoutMs` from now (a negative time-out counts as 0).
HidHandleLock::Clock::time_point after(int timeoutMs);
// Whole milliseconds left until `deadline`, rounded up; 0 once it has passed.
int remainingMs(HidHandleLock::Clock::time_point deadline);
} // namespace HidDeadline
