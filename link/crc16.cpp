#include "crc16.h"

quint16 Crc16::modbus(const char *data, qsizetype length)
{
    quint16 crc = 0xFFFF;
    for (qsizetype i = 0; i < length; ++i) {
        crc ^= static_cast<quint8>(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001)
                            : static_cast<quint16>(crc >> 1);
    }
    return crc;
}

quint16 Crc16::modbus(const QByteArray &data, qsizetype from, qsizetype length)
{
    if (from < 0 || length < 0 || from + length > data.size())
        return 0;
    return modbus(data.constData() + from, length);
}

void Crc16::append(QByteArray &data)
{
    const quint16 crc = modbus(data);
    data.append(static_cast<char>(crc & 0xFF));
    data.append(static_cast<char>(crc >> 8));
}
