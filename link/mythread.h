#pragma once

#include "pauselock.h"
#include <QByteArray>

#include <QObject>
#include <atomic>

// Reads the link on a thread of its own and hands every chunk on as it comes. It waits for
// input without its pause lock and takes the lock only to read what has come, so a page's
// synchronous exchange never waits for a quiet link.
class MyThread : public QObject
{
    Q_OBJECT

public:
    // The least time a pass takes that brought nothing, so that a link that cannot wait
    // for input (or has gone) is not polled in a spin.
    static constexpr int PassPauseMs = 30;
    static constexpr int PollLength = 12800;
    // One wait for input; a stop ends it at once.
    static constexpr int InputWaitMs = 1000;

    explicit MyThread(QObject *parent = nullptr);
    ~MyThread() override;

    PauseLock &pauseLock() { return m_pauseLock; }
    // Ends the worker's wait for input too.
    void requestStop();
    bool stopRequested() const { return m_stop.load(); }

signals:
    void senddata(QByteArray data);

public slots:
    void startThreadSlot();

private:
    PauseLock m_pauseLock;
    std::atomic<bool> m_stop{false};
};
