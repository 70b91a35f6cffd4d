#pragma once

#include <thread>
#include <utility>

// A thread that is joined when it goes, also when a test leaves early on a failed check.
class JoiningThread
{
public:
    template <typename F> explicit JoiningThread(F &&f) : m_thread(std::forward<F>(f)) {}
    ~JoiningThread() { m_thread.join(); }
    JoiningThread(const JoiningThread &) = delete;
    JoiningThread &operator=(const JoiningThread &) = delete;

private:
    std::thread m_thread;
};
