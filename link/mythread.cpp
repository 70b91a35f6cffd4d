#include "mythread.h"
#include "frameexchange.h"
#include "instrumentprotocol.h"

MyThread::MyThread(QObject *parent) : QObject(parent) {}

MyThread::~MyThread() = default;

void MyThread::startThreadSlot()
{
    m_pauseLock.lock();
    while (!m_stop.load()) {
        QByteArray buffer;
        FrameExchange *exchange = FrameExchange::current();
        if (exchange && exchange->ReceiveData(buffer, 0, PollLength, false) > 0)
            emit senddata(buffer);
        InstrumentProtocol::Delay(PassPauseMs);
        // Let a waiting page operation in between passes.
        m_pauseLock.unlock();
        m_pauseLock.lock();
    }
    m_pauseLock.unlock();
}
