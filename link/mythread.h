#pragma once

#include "pauselock.h"
#include <QByteArray>

#include <QObject>
#include <atomic>

// Reads the link in passes on a thread of its own and hands every chunk on.
// Its pause lock keeps the passes apart from the pages' synchronous exchanges.
class MyThread : public QObject
{
    Q_OBJECT

public:
    static constexpr int PassPauseMs = 30;
    static constexpr int PollLength = 12800;

    explicit MyThread(QObject *parent = nullptr);
    ~MyThread() override;

    PauseLock &pauseLock() { return m_pauseLock; }
    void requestStop() { m_stop.store(true); }
    bool stopRequested() const { return m_stop.load(); }

signals:
    void senddata(QByteArray data);

public slots:
    void startThreadSlot();

private:
    PauseLock m_pauseLock;
    std::atomic<bool> m_stop{false};
};
