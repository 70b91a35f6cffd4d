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
        bool got = false;
        if (exchange && exchange->WaitForInput(InputWaitMs) && !m_stop.load()) {
            PauseLocker lock(&m_pauseLock);
            // A page may have taken it meanwhile; then there is nothing to wait for here.
            exchange = FrameExchange::current();
            QByteArray buffer;
            if (exchange && exchange->WaitForInput(0) &&
                exchange->ReceiveData(buffer, 0, PollLength, false) > 0) {
                lock.unlock();
                emit senddata(buffer);
                got = true;
            }
        }
        const qint64 left = PassPauseMs - pass.elapsed();
        if (!got && left > 0 && !m_stop.load())
            InstrumentProtocol::Delay(static_cast<int>(left));
    }
}
