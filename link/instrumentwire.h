#pragma once

#include <QtGlobal>

// The words of the instrument's frames, by name. A frame starts with StartByte and a
// command; register commands carry a register, memory commands a bank (added to the
// command) and an address. Every frame ends in its CRC-16/MODBUS, low byte first.
class InstrumentWire
{
public:
    // The USB HID interface every instrument of both families shows.
    static constexpr quint16 VendorId = 0x2047;
    static constexpr quint16 ProductId = 0x0301;

    static constexpr quint8 StartByte = 0xAB;

    // Commands.
    static constexpr quint8 RegisterRead = 0x20;
    static constexpr quint8 RegisterWrite = 0x21;
    static constexpr quint8 Notification = 0x22; // sent unasked: the probe state
    static constexpr quint8 MemoryRead = 0x40;   // + bank
    static constexpr quint8 MemoryWrite = 0x70;  // + bank
    static constexpr quint8 ErrorReply = 0xC7;
    static constexpr quint8 NoProbeError = 0x08; // the byte after ErrorReply

    // Registers.
    static constexpr quint8 FirmwareRegister = 0x1C;
    static constexpr quint8 ClockWriteRegister = 0x21;
    static constexpr quint8 ClockReadRegister = 0x61;
    static constexpr quint8 ProbeRegister = 0x0D;

    // Memory banks.
    static constexpr quint8 HostBank = 1;
    static constexpr quint8 GroupBank = 2;
    static constexpr quint8 FactoryBank = 7;

    // Addresses: the factory bank's records, the host bank's settings and group count.
    static constexpr quint32 ProductionAddress = 0x00;
    static constexpr quint32 CalibrationAddress = 0x24;
    static constexpr quint32 MeasureAddress = 0x60;
    static constexpr quint32 HostAddress = 0x80;
    static constexpr quint32 GroupCountAddress = 0xE0;

    // Groups in the group bank: a meter's live groups of 24 bytes from 0xF0, a logger's
    // recordings of 0x980 bytes from 0x180.
    static constexpr quint32 MeterGroupAddress = 0xF0;
    static constexpr quint32 MeterGroupBytes = 24;
    static constexpr quint32 LoggerGroupAddress = 0x180;
    static constexpr quint32 LoggerGroupStride = 0x980;
    // Bytes asked of one group request.
    static constexpr quint16 GroupRequestLength = 0x40;

    static constexpr quint8 memoryRead(quint8 bank) { return quint8(MemoryRead + bank); }
    static constexpr quint8 memoryWrite(quint8 bank) { return quint8(MemoryWrite + bank); }
    static constexpr quint32 meterGroupAddress(int group)
    {
        return MeterGroupAddress + MeterGroupBytes * static_cast<quint32>(group);
    }
    static constexpr quint32 loggerGroupAddress(int group)
    {
        return LoggerGroupAddress + LoggerGroupStride * static_cast<quint32>(group);
    }
};
