#include "hidslicedconnection.h"

#include <algorithm>

HidSlicedConnection::HidSlicedConnection(const QString &serial)
    : m_serial(serial), m_lock(std::make_shared<HidHandleLock>()),
      m_writer(std::make_unique<HidDeadlineWriter>(m_lock))
{
}

HidSlicedConnection::~HidSlicedConnection() = default;

int HidSlicedConnection::writeReport(const QByteArray &report, int timeoutMs)
{
    if (report.isEmpty() || broken())
        return -1;
    return m_writer->write(writeJob(report), HidDeadline::after(timeoutMs));
}

int HidSlicedConnection::readReport(QByteArray &report, int timeoutMs)
{
    report.clear();
    const auto deadline = HidDeadline::after(timeoutMs);
    for (;;) {
        if (broken())
            return -1;
        if (m_cancelled.load())
            return 0;
        if (!m_lock->lockForRead(deadline))
            return 0; // a write had the handle all along
        const int got =
            readSlice(report, std::min(HidDeadline::remainingMs(deadline), ReadSliceMs));
        m_lock->unlock();
        if (got != 0)
            return got;
        if (HidDeadline::remainingMs(deadline) == 0)
            return 0;
    }
}
