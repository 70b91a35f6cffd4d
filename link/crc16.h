#pragma once

#include <QByteArray>
#include <QtGlobal>

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final XOR.
// Protects every frame on the wire and the data blocks kept in instrument memory.
class Crc16
{
public:
    static quint16 modbus(const char *data, qsizetype length);
    static quint16 modbus(const QByteArray &data) { return modbus(data.constData(), data.size()); }
    static quint16 modbus(const QByteArray &data, qsizetype from, qsizetype length);

    // Appends the CRC of the whole buffer to it, low byte first.
    static void append(QByteArray &data);
};
