#include "bytes.h"

#include "crc16.h"

#include <cstring>

QByteArray Bytes::hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray Bytes::of(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray Bytes::withCrc(QByteArray frame)
{
    Crc16::append(frame);
    return frame;
}

bool Bytes::crcOk(const QByteArray &frame)
{
    return frame.size() >= 3 &&
           Crc16::modbus(frame, 0, frame.size() - 2) == le16(frame, frame.size() - 2);
}

quint16 Bytes::le16(const QByteArray &bytes, qsizetype at)
{
    if (at < 0 || at + 2 > bytes.size())
        return 0;
    return static_cast<quint16>(static_cast<quint8>(bytes.at(at)) |
                                (static_cast<quint8>(bytes.at(at + 1)) << 8));
}

quint32 Bytes::le32(const QByteArray &bytes, qsizetype at)
{
    if (at < 0 || at + 4 > bytes.size())
        return 0;
    return le16(bytes, at) | (static_cast<quint32>(le16(bytes, at + 2)) << 16);
}

float Bytes::leFloat(const QByteArray &bytes, qsizetype at)
{
    const quint32 bits = le32(bytes, at);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray Bytes::le16Bytes(quint16 value)
{
    return of({value & 0xFF, value >> 8});
}

QByteArray Bytes::le32Bytes(quint32 value)
{
    return le16Bytes(static_cast<quint16>(value & 0xFFFF)) +
           le16Bytes(static_cast<quint16>(value >> 16));
}

QByteArray Bytes::floats(const QList<float> &values)
{
    QByteArray bytes;
    for (float value : values)
        bytes += floatBytes(value);
    return bytes;
}

QByteArray Bytes::floatBytes(float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return le32Bytes(bits);
}
