#include "wirebytes.h"

#include <cstring>

static_assert(sizeof(float) == sizeof(quint32), "single precision is 32 bits");

quint16 WireBytes::read16(const QByteArray &bytes, qsizetype at)
{
    return static_cast<quint16>(read8(bytes, at) | (read8(bytes, at + 1) << 8));
}

quint32 WireBytes::read32(const QByteArray &bytes, qsizetype at)
{
    return read16(bytes, at) | (static_cast<quint32>(read16(bytes, at + 2)) << 16);
}

float WireBytes::readFloat(const QByteArray &bytes, qsizetype at)
{
    const quint32 bits = read32(bytes, at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void WireBytes::append16(QByteArray &bytes, quint16 value)
{
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>(value >> 8));
}

void WireBytes::append32(QByteArray &bytes, quint32 value)
{
    append16(bytes, static_cast<quint16>(value & 0xFFFF));
    append16(bytes, static_cast<quint16>(value >> 16));
}

void WireBytes::appendFloat(QByteArray &bytes, float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    append32(bytes, bits);
}
