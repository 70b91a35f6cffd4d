#include "mythread.h"
#include "frameexchange.h"
#include "instrumentprotocol.h"
#include "pauselocker.h"

#include <QElapsedTimer>

MyThread::MyThread(QObject *parent) : QObject(parent) {}

MyThread::~MyThread() = default;

void MyThread::requestStop()
{
    m_stop.store(true);
    if (FrameExchange *exchange = FrameExchange::current())
        exchange->WakeInputWaiters();
}

void MyThread::startThreadSlot()
{
    while (!m_stop.load()) {
        QElapsedTimer pass;
        pass.start();
        FrameExchange *exchange = FrameExchange::current();
        const bool waiting = exchange && exchange->WaitForInput(InputWaitMs);
        bool promised = false; // input said to wait, under the lock
        bool got = false;
        if (waiting && !m_stop.load()) {
            PauseLocker lock(&m_pauseLock);
            // A page may have taken it meanwhile; then the next wait blocks again.
            exchange = FrameExchange::current();
            promised = exchange && exchange->WaitForInput(0);
            QByteArray buffer;
            if (promised && exchange->ReceiveData(buffer, 0, PollLength, false) > 0) {
                lock.unlock();
                emit senddata(buffer);
                got = true;
            }
        }
        // A link that cannot wait, or promises input and gives none, is not polled in a spin.
        const qint64 left = PassPauseMs - pass.elapsed();
        if (!got && (promised || !waiting) && left > 0 && !m_stop.load())
            InstrumentProtocol::Delay(static_cast<int>(left));
    }
}
