#include "instrumentprotocol.h"
#include "crc16.h"
#include "frameexchange.h"
#include "instrumentwire.h"
#include "wirebytes.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>

namespace {

std::atomic<int> g_receiveTimeoutMs{InstrumentProtocol::DefaultReceiveTimeoutMs};

constexpr int FirmwareReplyLength = 10;
constexpr int ProductionReplyLength = 30;
constexpr int BlockReplyLength = 16;
constexpr int WriteReplyLength = 10;
constexpr int DateTimeWriteReplyLength = 8;
constexpr int DateTimeReplyLength = 14;
constexpr int GroupCountReplyLength = 14;

using W = InstrumentWire;

quint8 at(const QByteArray &bytes, int index)
{
    return WireBytes::read8(bytes, index);
}

// One of the two checked header bytes matching is enough.
bool echoes(const QByteArray &reply, int firstOffset, quint8 firstValue, int secondOffset,
            quint8 secondValue)
{
    return at(reply, firstOffset) == firstValue || at(reply, secondOffset) == secondValue;
}

bool blockCrcMatches(const QByteArray &reply, int payloadOffset, int payloadLength)
{
    const quint16 stored = WireBytes::read16(reply, payloadOffset + payloadLength);
    return Crc16::modbus(reply, payloadOffset, payloadLength) == stored;
}

QByteArray memoryRequest(quint8 command, quint32 address, quint16 length)
{
    QByteArray r;
    r.append(static_cast<char>(W::StartByte));
    r.append(static_cast<char>(command));
    WireBytes::append32(r, address);
    WireBytes::append16(r, length);
    return r;
}

QByteArray registerRequest(quint8 command, quint8 reg, quint16 count)
{
    QByteArray r;
    r.append(static_cast<char>(W::StartByte));
    r.append(static_cast<char>(command));
    r.append(static_cast<char>(reg));
    r.append('\0');
    WireBytes::append16(r, count);
    return r;
}

QByteArray settingsWrite(quint8 command, quint8 address, int v0, int v1, int v2, int v3)
{
    QByteArray r = memoryRequest(command, address, 6);
    QByteArray block;
    for (int v : {v0, v1, v2, v3})
        block.append(static_cast<char>(v & 0xFF));
    Crc16::append(block);
    r.append(block);
    return r;
}

} // namespace

InstrumentProtocol *InstrumentProtocol::instance()
{
    static InstrumentProtocol protocol;
    return &protocol;
}

void InstrumentProtocol::setReceiveTimeoutMs(int ms)
{
    g_receiveTimeoutMs.store(ms);
}

int InstrumentProtocol::receiveTimeoutMs()
{
    return g_receiveTimeoutMs.load();
}

void InstrumentProtocol::Delay(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!timer.hasExpired(ms)) {
        const qint64 left = ms - timer.elapsed();
        QThread::msleep(static_cast<unsigned long>(left > 0 ? left : 1));
    }
}

// --- requests ---

QByteArray InstrumentProtocol::firmwareVersionRequest()
{
    return registerRequest(W::RegisterRead, W::FirmwareRegister, 2);
}

QByteArray InstrumentProtocol::productionInfoRequest()
{
    return memoryRequest(W::memoryRead(W::FactoryBank), W::ProductionAddress, 0x14);
}

QByteArray InstrumentProtocol::calibrationDateRequest()
{
    return memoryRequest(W::memoryRead(W::FactoryBank), W::CalibrationAddress, 6);
}

QByteArray InstrumentProtocol::measureConfigureRequest()
{
    return memoryRequest(W::memoryRead(W::FactoryBank), W::MeasureAddress, 6);
}

QByteArray InstrumentProtocol::writeMeasureConfigureRequest(int s0, int s1, int s2, int s3)
{
    return settingsWrite(W::memoryWrite(W::FactoryBank), W::MeasureAddress, s0, s1, s2, s3);
}

QByteArray InstrumentProtocol::hostConfigureRequest()
{
    return memoryRequest(W::memoryRead(W::HostBank), W::HostAddress, 6);
}

QByteArray InstrumentProtocol::writeHostConfigureRequest(int h0, int h1, int h2, int h3)
{
    return settingsWrite(W::memoryWrite(W::HostBank), W::HostAddress, h0, h1, h2, h3);
}

QByteArray InstrumentProtocol::writeDateTimeRequest(const QDateTime &when)
{
    QByteArray r = registerRequest(W::RegisterWrite, W::ClockWriteRegister, 6);
    const QDate d = when.date();
    const QTime t = when.time();
    r.append(static_cast<char>((d.year() - 2000) & 0xFF));
    r.append(static_cast<char>(d.month() & 0xFF));
    r.append(static_cast<char>(d.day() & 0xFF));
    r.append(static_cast<char>(t.hour() & 0xFF));
    r.append(static_cast<char>(t.minute() & 0xFF));
    r.append(static_cast<char>(t.second() & 0xFF));
    return r;
}

QByteArray InstrumentProtocol::dateTimeRequest()
{
    return registerRequest(W::RegisterRead, W::ClockReadRegister, 6);
}

QByteArray InstrumentProtocol::powerGroupCountRequest()
{
    return memoryRequest(W::memoryRead(W::HostBank), W::GroupCountAddress, 4);
}

QByteArray InstrumentProtocol::powerGroupRequest(quint32 address)
{
    return memoryRequest(W::memoryRead(W::GroupBank), address, W::GroupRequestLength);
}

// --- reply decoding ---

int InstrumentProtocol::parseFirmwareVersion(const QByteArray &reply, int &version)
{
    if (reply.size() < FirmwareReplyLength)
        return NoReply;
    if (!echoes(reply, 1, W::RegisterRead, 4, 0x02))
        return BadEcho;
    version = WireBytes::read16(reply, 6);
    return Ok;
}

int InstrumentProtocol::parseProductionInfo(const QByteArray &reply, ProductionInfo &info)
{
    if (reply.size() < ProductionReplyLength)
        return NoReply;
    if (!echoes(reply, 2, W::ProductionAddress, 6, 0x14))
        return BadEcho;
    if (!blockCrcMatches(reply, 8, 18))
        return BadBlock;
    constexpr int p = 8;
    info.kindByte = at(reply, p + 0);
    info.productionDate =
        QDate(WireBytes::read16(reply, p + 2), at(reply, p + 4), at(reply, p + 5));
    info.serialNumber = WireBytes::read32(reply, p + 6);
    info.modelCode = WireBytes::read32(reply, p + 10);
    info.auxWord = WireBytes::read16(reply, p + 14);
    info.auxByte1 = at(reply, p + 16);
    info.auxByte2 = at(reply, p + 17);
    return Ok;
}

int InstrumentProtocol::parseCalibrationDate(const QByteArray &reply, QDate &date)
{
    if (reply.size() < BlockReplyLength)
        return NoReply;
    if (!echoes(reply, 2, W::CalibrationAddress, 6, 0x06))
        return BadEcho;
    if (!blockCrcMatches(reply, 8, 4))
        return BadBlock;
    date = QDate(WireBytes::read16(reply, 8), at(reply, 10), at(reply, 11));
    return Ok;
}

int InstrumentProtocol::parseSettingsBlock(const QByteArray &reply, quint8 address, int values[4])
{
    if (reply.size() < BlockReplyLength)
        return NoReply;
    if (!echoes(reply, 2, address, 6, 0x06))
        return BadEcho;
    if (!blockCrcMatches(reply, 8, 4))
        return BadBlock;
    for (int i = 0; i < 4; ++i)
        values[i] = at(reply, 8 + i);
    return Ok;
}

int InstrumentProtocol::parseWriteReply(const QByteArray &reply, quint8 address)
{
    if (reply.size() < WriteReplyLength)
        return NoReply;
    return echoes(reply, 2, address, 6, 0x06) ? Ok : BadEcho;
}

int InstrumentProtocol::parseWriteDateTimeReply(const QByteArray &reply)
{
    if (reply.size() < DateTimeWriteReplyLength)
        return NoReply;
    return echoes(reply, 2, W::ClockWriteRegister, 4, 0x06) ? Ok : BadEcho;
}

int InstrumentProtocol::parseDateTime(const QByteArray &reply, QDateTime &when)
{
    if (reply.size() < DateTimeReplyLength)
        return NoReply;
    if (!echoes(reply, 2, W::ClockReadRegister, 4, 0x06))
        return BadEcho;
    const QDate date(2000 + at(reply, 6), at(reply, 7), at(reply, 8));
    const QTime time(at(reply, 9), at(reply, 10), at(reply, 11));
    // QDateTime would turn an impossible time into midnight: pass it on as invalid, like dates.
    when = time.isValid() ? QDateTime(date, time) : QDateTime();
    return Ok;
}

int InstrumentProtocol::parsePowerGroupCount(const QByteArray &reply, int &count)
{
    if (reply.size() < GroupCountReplyLength)
        return NoReply;
    if (!echoes(reply, 2, W::GroupCountAddress, 6, 0x04))
        return BadEcho;
    // The instrument's stored check is accepted when either of its bytes agrees.
    const quint16 crc = Crc16::modbus(reply, 8, 2);
    if (at(reply, 10) != (crc & 0xFF) && at(reply, 11) != (crc >> 8))
        return BadBlock;
    count = at(reply, 8);
    return Ok;
}

// --- exchanges ---

int InstrumentProtocol::transact(QByteArray request, int replyLength, QByteArray &reply,
                                 bool probeErrorCounts)
{
    FrameExchange *exchange = FrameExchange::current();
    if (!exchange)
        return NotSent;
    const int requestLength = static_cast<int>(request.size());
    if (exchange->SendData(request, SendTimeoutMs) < requestLength)
        return NotSent;
    reply.clear();
    if (exchange->ReceiveData(reply, receiveTimeoutMs(), replyLength, true) <= 0) {
        if (probeErrorCounts && reply.size() >= 3 && at(reply, 1) == W::ErrorReply &&
            at(reply, 2) == W::NoProbeError)
            return NoProbe;
        return NoReply;
    }
    return reply.size() >= replyLength ? Ok : NoReply;
}

int InstrumentProtocol::ReadFirmwareVersion(int &version)
{
    QByteArray reply;
    const int code = transact(firmwareVersionRequest(), FirmwareReplyLength, reply, true);
    return code == Ok ? parseFirmwareVersion(reply, version) : code;
}

int InstrumentProtocol::ReadProductionInfo(ProductionInfo &info)
{
    QByteArray reply;
    const int code = transact(productionInfoRequest(), ProductionReplyLength, reply, true);
    return code == Ok ? parseProductionInfo(reply, info) : code;
}

int InstrumentProtocol::ReadCalibrationDate(QDate &date)
{
    QByteArray reply;
    const int code = transact(calibrationDateRequest(), BlockReplyLength, reply, true);
    return code == Ok ? parseCalibrationDate(reply, date) : code;
}

int InstrumentProtocol::readSettings(const QByteArray &request, quint8 address, int &v0, int &v1,
                                     int &v2, int &v3)
{
    QByteArray reply;
    int code = transact(request, BlockReplyLength, reply, true);
    if (code != Ok)
        return code;
    int values[4] = {};
    code = parseSettingsBlock(reply, address, values);
    if (code == Ok) {
        v0 = values[0];
        v1 = values[1];
        v2 = values[2];
        v3 = values[3];
    }
    return code;
}

int InstrumentProtocol::ReadMeasureConfigure(int &s0, int &s1, int &s2, int &s3)
{
    return readSettings(measureConfigureRequest(), W::MeasureAddress, s0, s1, s2, s3);
}

int InstrumentProtocol::ReadHostConfigure(int &h0, int &h1, int &h2, int &h3)
{
    return readSettings(hostConfigureRequest(), W::HostAddress, h0, h1, h2, h3);
}

int InstrumentProtocol::WriteMeasureConfigure(int s0, int s1, int s2, int s3)
{
    QByteArray reply;
    const int code =
        transact(writeMeasureConfigureRequest(s0, s1, s2, s3), WriteReplyLength, reply, true);
    return code == Ok ? parseWriteReply(reply, W::MeasureAddress) : code;
}

int InstrumentProtocol::WriteHostConfigure(int h0, int h1, int h2, int h3)
{
    QByteArray reply;
    const int code =
        transact(writeHostConfigureRequest(h0, h1, h2, h3), WriteReplyLength, reply, true);
    return code == Ok ? parseWriteReply(reply, W::HostAddress) : code;
}

int InstrumentProtocol::WriteDateTime(const QDateTime &when)
{
    QByteArray reply;
    const int code = transact(writeDateTimeRequest(when), DateTimeWriteReplyLength, reply, false);
    return code == Ok ? parseWriteDateTimeReply(reply) : code;
}

int InstrumentProtocol::ReadDateTime(QDateTime &when)
{
    QByteArray reply;
    const int code = transact(dateTimeRequest(), DateTimeReplyLength, reply, false);
    return code == Ok ? parseDateTime(reply, when) : code;
}

int InstrumentProtocol::ReadPowerGroupCount(int &count)
{
    QByteArray reply;
    const int code = transact(powerGroupCountRequest(), GroupCountReplyLength, reply, true);
    return code == Ok ? parsePowerGroupCount(reply, count) : code;
}
