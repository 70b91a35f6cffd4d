#include "linkexchange.h"

#include "clinker.h"
#include "crc16.h"
#include "wirebytes.h"

LinkExchange::LinkExchange(TroubleHandler onTrouble) : m_onTrouble(std::move(onTrouble)) {}

LinkExchange::~LinkExchange() = default;

void LinkExchange::report(Trouble trouble) const
{
    if (m_onTrouble)
        m_onTrouble(trouble);
}

bool LinkExchange::IsLinkOpen()
{
    return m_link && m_link->IsOpen();
}

bool LinkExchange::WaitForInput(int timeoutMs)
{
    CLinker *link = m_link;
    return link && link->WaitForInput(timeoutMs);
}

void LinkExchange::WakeInputWaiters()
{
    if (CLinker *link = m_link)
        link->WakeInputWaiters();
}

int LinkExchange::SendData(QByteArray &frame, int timeout)
{
    if (!IsLinkOpen())
        return -1;
    Crc16::append(frame);
    const int written = m_link->Write(frame, timeout);
    if (written != frame.size())
        report(Trouble::SendFailed);
    return written;
}

int LinkExchange::ReceiveData(QByteArray &buffer, int timeout, int length, bool checkCrc)
{
    CLinker *link = m_link;
    if (!link)
        return -1;
    const int result = link->Read(buffer, timeout, length);
    if (result <= 0 || !checkCrc)
        return result;
    // The CRC sits where the expected frame ends, whatever follows it.
    if (length >= 3 && buffer.size() >= length &&
        Crc16::modbus(buffer, 0, length - 2) == WireBytes::read16(buffer, length - 2))
        return static_cast<int>(buffer.size());
    report(Trouble::BadFrame);
    return -1;
}
