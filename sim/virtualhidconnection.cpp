#include "virtualhidconnection.h"

#include "virtualinstrument.h"

VirtualHidConnection::VirtualHidConnection(VirtualInstrument *instrument, quint64 generation)
    : m_instrument(instrument), m_generation(generation),
      m_serial(instrument ? instrument->usbSerial() : QString())
{
    if (instrument)
        instrument->attach(generation);
}

int VirtualHidConnection::writeReport(const QByteArray &report, int timeoutMs)
{
    Q_UNUSED(timeoutMs) // the virtual endpoint takes every report at once
    VirtualInstrument *instrument = m_instrument.data();
    return instrument ? instrument->hostWrite(m_generation, report) : -1;
}

int VirtualHidConnection::readReport(QByteArray &report, int timeoutMs)
{
    VirtualInstrument *instrument = m_instrument.data();
    return instrument ? instrument->hostRead(m_generation, report, timeoutMs, &m_cancelled) : -1;
}

void VirtualHidConnection::cancelRead()
{
    m_cancelled.store(true);
    if (VirtualInstrument *instrument = m_instrument.data())
        instrument->wakeReaders();
}

bool VirtualHidConnection::isRemoved() const
{
    const VirtualInstrument *instrument = m_instrument.data();
    return !instrument || instrument->generation() != m_generation;
}

QString VirtualHidConnection::serialNumber() const
{
    return m_serial;
}
