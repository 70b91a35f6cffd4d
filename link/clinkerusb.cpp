#include "clinkerusb.h"
#include "instrumentwire.h"
#include "linklog.h"
#include "wirebytes.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QThread>

CLinkerUSB::CLinkerUSB(QObject *parent) : CLinker(parent)
{
    // The GUI thread reads the logger's records itself and may be held up meanwhile.
    m_device.setDraining(true);
}

CLinkerUSB::~CLinkerUSB() = default;

signed char CLinkerUSB::Open(quint16 vendorId, quint16 productId)
{
    if (m_device.Open(vendorId, productId) == 0) {
        qDebug("hidDevice Open success!\n");
        return 0;
    }
    qDebug("hidDevice Open error!\n");
    return -1;
}

void CLinkerUSB::Close()
{
    m_device.Close();
}

bool CLinkerUSB::IsOpen()
{
    return m_device.IsOpen();
}

bool CLinkerUSB::IsRemoved()
{
    return m_device.IsRemoved();
}

bool CLinkerUSB::WaitForInput(int timeoutMs)
{
    return m_device.WaitForInput(timeoutMs);
}

void CLinkerUSB::WakeInputWaiters()
{
    m_device.WakeInputWaiters();
}

int CLinkerUSB::Write(QByteArray &frame, int timeout)
{
    qCDebug(lcFrames).noquote() << "tx" << frame.toHex(' ');
    const int written = m_device.Write(frame.constData(), static_cast<int>(frame.size()), timeout);
    if (written == frame.size())
        return written;
    qDebug("hidDevice WriteMessage error! ret = %d\n", written);
    return -1;
}

int CLinkerUSB::Read(QByteArray &buffer, int timeout, int length)
{
    return timeout == 0 ? pollRead(buffer) : frameRead(buffer, timeout, length);
}

int CLinkerUSB::pollRead(QByteArray &buffer)
{
    QByteArray chunk(PollReadSize, '\0');
    // Callers poll in a loop: what has come now is worth more than a fuller chunk later.
    const int got = m_device.ReadAvailable(chunk.data(), PollReadSize, ReportWaitMs);
    qCDebug(lcTransport, " %01d ", got);
    if (got < 1)
        return got;
    chunk.truncate(got);
    qCDebug(lcFrames).noquote() << "rx" << chunk.toHex(' ');
    buffer.append(chunk);
    return static_cast<int>(buffer.size());
}

int CLinkerUSB::frameRead(QByteArray &buffer, int timeout, int length)
{
    if (length <= 0)
        return 0;
    QElapsedTimer stopwatch;
    stopwatch.start();
    QByteArray chunk(length, '\0');
    for (;;) {
        QElapsedTimer attempt;
        attempt.start();
        const int got = m_device.Read(chunk.data(), length, ReportWaitMs);
        if (got > 0) {
            qCDebug(lcFrames).noquote() << "rx" << chunk.left(got).toHex(' ');
            buffer.append(chunk.constData(), got);
            dropFrontGarbage(buffer);
            if (buffer.size() >= length && WireBytes::read8(buffer, 0) == InstrumentWire::StartByte)
                return static_cast<int>(buffer.size());
        } else {
            qCDebug(lcTransport, "hidDevice ReadMessage error!\n");
            // A device that is gone will not answer before the deadline either.
            if (m_device.IsRemoved())
                return got;
            // A read that failed at once must not turn the wait into a spin.
            const qint64 early = ReportWaitMs - attempt.elapsed();
            if (early > 0)
                QThread::msleep(static_cast<unsigned long>(early));
        }
        if (stopwatch.elapsed() > timeout)
            return got;
    }
}

void CLinkerUSB::dropFrontGarbage(QByteArray &buffer)
{
    const qsizetype start = buffer.indexOf(static_cast<char>(InstrumentWire::StartByte));
    if (start < 0)
        buffer.clear();
    else if (start > 0)
        buffer.remove(0, start);
}
