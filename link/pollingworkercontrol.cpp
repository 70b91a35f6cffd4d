#include "pollingworkercontrol.h"
#include "mythread.h"

#include <QDebug>
#include <QThread>

PollingWorkerControl::PollingWorkerControl(QObject *parent) : QObject(parent) {}

PollingWorkerControl::~PollingWorkerControl()
{
    stop();
}

void PollingWorkerControl::start()
{
    // A worker still polling would be deleted under its own thread: stop it first.
    stop();

    auto *thread = new QThread; // deletes itself when finished
    auto worker = std::make_unique<MyThread>();
    connect(worker.get(), &MyThread::senddata, this, &PollingWorkerControl::senddata);
    worker->moveToThread(thread);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    connect(thread, &QThread::started, worker.get(), &MyThread::startThreadSlot);
    m_worker = std::move(worker);
    m_thread = thread;
    thread->start(QThread::InheritPriority);
}

void PollingWorkerControl::stop()
{
    if (!m_thread || !m_thread->isRunning())
        return;
    m_worker->requestStop();
    m_thread->quit();
    m_thread->wait();
    // Gone now rather than at the next event loop pass; its pending deleteLater goes with it.
    delete m_thread.data();
}

bool PollingWorkerControl::isRunning() const
{
    return m_thread && m_thread->isRunning();
}

PauseLock *PollingWorkerControl::pauseLock() const
{
    return m_worker ? &m_worker->pauseLock() : nullptr;
}
