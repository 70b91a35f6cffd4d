#include "firstpagefor415.h"
#include "instrumentprotocol.h"
#include "pauselock.h"
#include "pollingworkercontrol.h"

#include <QDebug>
#include <QLabel>
#include <QMutexLocker>
#include <QThread>
#include <QVBoxLayout>

FirstPageFor415::FirstPageFor415(QWidget *parent)
    : QWidget(parent), m_worker(new PollingWorkerControl(this)), m_title(new QLabel(this)),
      m_device(new QLabel(this))
{
    setObjectName(QStringLiteral("FirstPageFor415"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_device);
    layout->addStretch();
    m_device->setObjectName(QStringLiteral("serialNoEdit"));
    connect(m_worker, &PollingWorkerControl::senddata, this, &FirstPageFor415::SaveData);
    languageChange();
}

FirstPageFor415::~FirstPageFor415()
{
    closeThreadSlot();
}

void FirstPageFor415::languageChange()
{
    m_title->setText(tr("Real-time meter"));
}

int FirstPageFor415::refreshDevice()
{
    ProductionInfo info;
    int code = 0;
    {
        PauseLock *lock = m_worker->pauseLock();
        if (lock)
            lock->lock();
        code = InstrumentProtocol::instance()->ReadProductionInfo(info);
        if (lock)
            lock->unlock();
    }
    if (code != 1)
        return -1;
    modelCode = info.modelCode;
    m_device->setText(QString::number(info.serialNumber));
    return 1;
}

QString FirstPageFor415::deviceSummary() const
{
    return m_device->text();
}

void FirstPageFor415::clear()
{
    m_device->clear();
    receiveBuffer.clear();
}

void FirstPageFor415::openThreadSlot()
{
    qDebug() << tr("openThreadSlot");
    m_worker->start();
    qDebug() << "mainWidget QThread::currentThreadId()==" << QThread::currentThreadId();
}

void FirstPageFor415::closeThreadSlot()
{
    qDebug() << tr("closeThreadSlot");
    m_worker->stop();
}

void FirstPageFor415::SaveData(QByteArray baData)
{
    receiveBuffer.append(baData);
}
