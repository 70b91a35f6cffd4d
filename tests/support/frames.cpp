#include "frames.h"

#include "bytes.h"

QByteArray Frames::header(int command, quint32 address, int length)
{
    return Bytes::of({0xAB, command}) + Bytes::le32Bytes(address) +
           Bytes::le16Bytes(static_cast<quint16>(length));
}

QByteArray Frames::memoryRead(int bank, quint32 address, int length)
{
    return Bytes::withCrc(header(0x40 + bank, address, length));
}

QByteArray Frames::memoryWrite(int bank, quint32 address, const QByteArray &data)
{
    return Bytes::withCrc(header(0x70 + bank, address, static_cast<int>(data.size())) + data);
}

QByteArray Frames::registerRead(int reg, int count)
{
    return Bytes::withCrc(Bytes::of({0xAB, 0x20, reg, 0x00, count, 0x00}));
}

QByteArray Frames::registerFrame(int command, int reg, const QByteArray &data)
{
    return Bytes::withCrc(
        Bytes::of({0xAB, command, reg, 0x00, static_cast<int>(data.size()), 0x00}) + data);
}

QByteArray Frames::recordFrame(const QByteArray &data, quint32 address)
{
    return Bytes::withCrc(header(0x42, address, static_cast<int>(data.size())) + data);
}

QByteArray Frames::block(const QByteArray &payload)
{
    return Bytes::withCrc(payload); // the same CRC, low byte first
}
