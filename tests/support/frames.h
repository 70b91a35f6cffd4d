#pragma once

#include <QByteArray>
#include <QtGlobal>

// Frames as the host and the instrument put them on the wire, built by hand so that a test
// does not check the program's protocol code against itself. All carry their frame CRC.
class Frames
{
public:
    // 0xAB, command, 32-bit address, 16-bit length; no CRC.
    static QByteArray header(int command, quint32 address, int length);
    static QByteArray memoryRead(int bank, quint32 address, int length);
    static QByteArray memoryWrite(int bank, quint32 address, const QByteArray &data);
    static QByteArray registerRead(int reg, int count);
    // 0xAB, command, register, 0, data length, 0, the data: a register reply, write or notice.
    static QByteArray registerFrame(int command, int reg, const QByteArray &data);
    // A frame of a recording (bank 2) with its data.
    static QByteArray recordFrame(const QByteArray &data, quint32 address = 0);
    // A data block as kept in instrument memory: its bytes and their CRC.
    static QByteArray block(const QByteArray &payload);
};
