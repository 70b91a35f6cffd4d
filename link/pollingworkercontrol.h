#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <memory>

class MyThread;
class PauseLock;

// Starts and stops the polling worker of a page. The thread deletes itself when it
// finishes; the last worker stays (its lock free) until the next start replaces it.
class PollingWorkerControl : public QObject
{
    Q_OBJECT

public:
    explicit PollingWorkerControl(QObject *parent = nullptr);
    ~PollingWorkerControl() override;

    void start();
    void stop();

    bool isRunning() const;
    MyThread *worker() const { return m_worker.get(); }
    QThread *thread() const { return m_thread.data(); }
    // The last worker's pause lock, or null before the first start.
    PauseLock *pauseLock() const;

signals:
    // Every chunk the worker read, delivered on this object's thread.
    void senddata(QByteArray data);

private:
    QPointer<QThread> m_thread;
    std::unique_ptr<MyThread> m_worker;
};
