#include "virtualinstrument.h"

#include "crc16.h"
#include "wirebytes.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

namespace {

constexpr int kReportSize = 64;
constexpr int kMaxPayload = 62;
constexpr quint8 kReportId = 0x3F;
constexpr char kStartByte = char(0xAB);

// The longest frame a header can announce: 8-byte memory head, 0xFFFF data bytes, CRC.
constexpr qsizetype kMaxFrameLength = 8 + 0xFFFF + 2;
// Reports sent but not arrived yet (a long pacing interval); beyond this the oldest go.
constexpr size_t kMaxQueuedReports = 8192;
// Keeps a long demo session from growing the log without end.
constexpr qsizetype kMaxLoggedRequests = 65536;

constexpr quint8 kCmdRegisterRead = 0x20;
constexpr quint8 kCmdRegisterWrite = 0x21;
constexpr quint8 kCmdNotification = 0x22;
constexpr quint8 kCmdMemoryRead = 0x40;
constexpr quint8 kCmdMemoryWrite = 0x70;

constexpr quint8 kRegFirmware = 0x1C;
constexpr quint8 kRegClockWrite = 0x21;
constexpr quint8 kRegClockRead = 0x61;
constexpr quint8 kRegProbe = 0x0D;

constexpr int kProductionAddress = 0x00;
constexpr int kCalibrationAddress = 0x24;
constexpr int kMeasureAddress = 0x60;
constexpr int kHostAddress = 0x80;
constexpr int kGroupCountAddress = 0xE0;

constexpr qint64 kMeterGroupBase = 0xF0;
constexpr int kMeterGroupBytes = 24;
constexpr qint64 kRecordingBase = 0x180;
constexpr qint64 kRecordingStride = 0x980;
constexpr int kMaxRecordings = 256;
constexpr int kStartTimeBytes = 6;
constexpr int kMaxSamples = (kRecordingStride - kStartTimeBytes) / 4;

QByteArray clockBytes(const QDateTime &when)
{
    const QDate date = when.date();
    const QTime time = when.time();
    QByteArray bytes;
    bytes.append(static_cast<char>((date.year() - 2000) & 0xFF));
    bytes.append(static_cast<char>(date.month()));
    bytes.append(static_cast<char>(date.day()));
    bytes.append(static_cast<char>(time.hour()));
    bytes.append(static_cast<char>(time.minute()));
    bytes.append(static_cast<char>(time.second()));
    return bytes;
}

QByteArray errorFrame()
{
    QByteArray frame;
    frame.append(kStartByte);
    frame.append(static_cast<char>(0xC7));
    frame.append(static_cast<char>(0x08));
    Crc16::append(frame);
    return frame;
}

// Frame length (CRC included) once enough of the head is there; 0 = need more bytes,
// -1 = not a command this instrument knows.
qsizetype requestFrameLength(const QByteArray &stream)
{
    if (stream.size() < 2)
        return 0;
    const quint8 command = static_cast<quint8>(stream.at(1));
    if (command == kCmdRegisterRead)
        return 6 + 2;
    if (command == kCmdRegisterWrite)
        return stream.size() < 6 ? 0 : 6 + WireBytes::read16(stream, 4) + 2;
    if (command > kCmdMemoryRead && command <= kCmdMemoryRead + 7)
        return 8 + 2;
    if (command > kCmdMemoryWrite && command <= kCmdMemoryWrite + 7)
        return stream.size() < 8 ? 0 : 8 + WireBytes::read16(stream, 6) + 2;
    return -1;
}

} // namespace

VirtualInstrument::VirtualInstrument(Family family, quint32 modelCode, QObject *parent)
    : QObject(parent), m_family(family), m_modelCode(modelCode)
{
    m_sinceStart.start();
    m_lastReadyUs = std::numeric_limits<qint64>::min() / 4;
    rewriteProductionRecord();
    QByteArray calibration;
    WireBytes::append16(calibration, 2024);
    calibration.append(char(1));
    calibration.append(char(20));
    writeBlockLocked(7, kCalibrationAddress, calibration);
    writeBlockLocked(7, kMeasureAddress, QByteArray::fromRawData("\x00\x0A\x00\x00", 4));
    writeBlockLocked(1, kHostAddress, QByteArray::fromRawData("\x00\x0A\x00\x00", 4));
    setGroupCountLocked(0);
    setClockLocked(QDateTime::currentDateTime());
}

VirtualInstrument::~VirtualInstrument() = default;

VirtualInstrument::Family VirtualInstrument::family() const
{
    return m_family;
}

void VirtualInstrument::setModelCode(quint32 code)
{
    QMutexLocker lock(&m_mutex);
    m_modelCode = code;
    rewriteProductionRecord();
}

void VirtualInstrument::setSerialNumber(quint32 serial)
{
    QMutexLocker lock(&m_mutex);
    m_serial = serial;
    rewriteProductionRecord();
}

void VirtualInstrument::setProductionDate(int year, int month, int day)
{
    QMutexLocker lock(&m_mutex);
    m_prodYear = year;
    m_prodMonth = month;
    m_prodDay = day;
    rewriteProductionRecord();
}

void VirtualInstrument::setCopiedBytes(quint8 kindByte, quint16 auxWord, quint8 auxByte1,
                                       quint8 auxByte2)
{
    QMutexLocker lock(&m_mutex);
    m_kindByte = kindByte;
    m_auxWord = auxWord;
    m_auxByte1 = auxByte1;
    m_auxByte2 = auxByte2;
    rewriteProductionRecord();
}

void VirtualInstrument::setCalibrationDate(int year, int month, int day)
{
    QByteArray payload;
    WireBytes::append16(payload, static_cast<quint16>(year));
    payload.append(static_cast<char>(month));
    payload.append(static_cast<char>(day));
    QMutexLocker lock(&m_mutex);
    writeBlockLocked(7, kCalibrationAddress, payload);
}

void VirtualInstrument::setFirmwareVersion(quint16 tenths)
{
    QMutexLocker lock(&m_mutex);
    m_firmware = tenths;
}

void VirtualInstrument::setUsbSerial(const QString &serial)
{
    QMutexLocker lock(&m_mutex);
    m_usbSerial = serial;
    m_usbSerialSet = true;
}

QString VirtualInstrument::usbSerial() const
{
    QMutexLocker lock(&m_mutex);
    return m_usbSerialSet ? m_usbSerial : QString::number(m_serial);
}

QByteArray VirtualInstrument::memory(int bank, int address, int length) const
{
    QMutexLocker lock(&m_mutex);
    const qint64 capacity = bankCapacity(bank);
    if (address < 0 || length <= 0 || address >= capacity)
        return QByteArray();
    return readMemoryLocked(bank, address, std::min<qint64>(length, capacity - address));
}

void VirtualInstrument::setMemory(int bank, int address, const QByteArray &bytes)
{
    QMutexLocker lock(&m_mutex);
    writeMemoryLocked(bank, address, bytes);
}

void VirtualInstrument::writeBlock(int bank, int address, const QByteArray &payload)
{
    QMutexLocker lock(&m_mutex);
    writeBlockLocked(bank, address, payload);
}

void VirtualInstrument::corruptBlock(int bank, int address, int payloadLength)
{
    QMutexLocker lock(&m_mutex);
    if (address < 0 || payloadLength < 0)
        return;
    const qint64 at = static_cast<qint64>(address) + payloadLength;
    QByteArray crc = readMemoryLocked(bank, at, 2);
    // Both bytes change, so even a check that accepts either byte fails.
    crc[0] = static_cast<char>(crc.at(0) ^ 0xFF);
    crc[1] = static_cast<char>(crc.at(1) ^ 0xFF);
    writeMemoryLocked(bank, at, crc);
}

void VirtualInstrument::setHostSettings(quint8 h0, quint8 h1, quint8 h2, quint8 h3)
{
    const char payload[] = {char(h0), char(h1), char(h2), char(h3)};
    QMutexLocker lock(&m_mutex);
    writeBlockLocked(1, kHostAddress, QByteArray(payload, 4));
}

void VirtualInstrument::setMeasureSettings(quint8 s0, quint8 s1, quint8 s2, quint8 s3)
{
    const char payload[] = {char(s0), char(s1), char(s2), char(s3)};
    QMutexLocker lock(&m_mutex);
    writeBlockLocked(7, kMeasureAddress, QByteArray(payload, 4));
}

void VirtualInstrument::setGroupCount(int count)
{
    QMutexLocker lock(&m_mutex);
    setGroupCountLocked(count);
}

void VirtualInstrument::setClock(const QDateTime &when)
{
    QMutexLocker lock(&m_mutex);
    setClockLocked(when);
}

QDateTime VirtualInstrument::clock() const
{
    QMutexLocker lock(&m_mutex);
    return clockLocked();
}

void VirtualInstrument::setProbeConnected(bool connected)
{
    QMutexLocker lock(&m_mutex);
    if (m_probe == connected)
        return;
    m_probe = connected;
    if (!m_plugged || !m_attached)
        return;
    QByteArray notification;
    notification.append(kStartByte);
    notification.append(static_cast<char>(kCmdNotification));
    notification.append(static_cast<char>(kRegProbe));
    notification.append('\0');
    WireBytes::append16(notification, 2);
    notification.append(connected ? char(1) : char(0));
    notification.append('\0');
    Crc16::append(notification);
    queuePayload(notification);
}

bool VirtualInstrument::probeConnected() const
{
    QMutexLocker lock(&m_mutex);
    return m_probe;
}

void VirtualInstrument::setMeterGroups(const QVector<MeterGroup> &groups)
{
    const int count = static_cast<int>(std::min<qsizetype>(groups.size(), 255));
    QByteArray bytes;
    for (int i = 0; i < count; ++i) {
        for (float value : groups.at(i))
            WireBytes::appendFloat(bytes, value);
    }
    QMutexLocker lock(&m_mutex);
    // Groups left over from an earlier, longer list would still answer their addresses.
    writeMemoryLocked(2, kMeterGroupBase,
                      QByteArray(qsizetype(m_meterGroupCount) * kMeterGroupBytes, '\0'));
    writeMemoryLocked(2, kMeterGroupBase, bytes);
    m_meterGroupCount = count;
    setGroupCountLocked(count);
}

void VirtualInstrument::setRecordings(const QVector<Recording> &recordings)
{
    QMutexLocker lock(&m_mutex);
    for (int g = 0; g < m_recordingSizes.size(); ++g)
        writeMemoryLocked(2, kRecordingBase + kRecordingStride * g,
                          QByteArray(m_recordingSizes.at(g), '\0'));
    m_recordingSizes.clear();
    const int count = static_cast<int>(std::min<qsizetype>(recordings.size(), kMaxRecordings));
    for (int g = 0; g < count; ++g) {
        const Recording &recording = recordings.at(g);
        QByteArray data = clockBytes(recording.start);
        const qsizetype samples = std::min<qsizetype>(recording.samples.size(), kMaxSamples);
        for (qsizetype i = 0; i < samples; ++i)
            WireBytes::appendFloat(data, recording.samples.at(i));
        writeMemoryLocked(2, kRecordingBase + kRecordingStride * g, data);
        m_recordingSizes.append(static_cast<int>(data.size()));
    }
    setGroupCountLocked(count);
}

void VirtualInstrument::setFrameDataSize(int bytes)
{
    QMutexLocker lock(&m_mutex);
    m_frameDataSize = std::clamp(bytes, 1, static_cast<int>(kRecordingStride));
}

void VirtualInstrument::setLoggerStopAfterFrames(int frames)
{
    QMutexLocker lock(&m_mutex);
    m_stopAfterFrames = frames < 0 ? -1 : frames;
}

void VirtualInstrument::setRecordingFaultFrame(int frame)
{
    QMutexLocker lock(&m_mutex);
    m_faultFrame = std::max(0, frame);
}

void VirtualInstrument::setRecordingPause(int frames, int ms)
{
    QMutexLocker lock(&m_mutex);
    m_pauseAfterFrames = frames < 0 ? -1 : frames;
    m_pauseUs = 1000 * qint64(std::max(0, ms));
}

void VirtualInstrument::setReportIntervalMicroseconds(int us)
{
    QMutexLocker lock(&m_mutex);
    m_intervalUs = std::max(0, us);
}

void VirtualInstrument::injectFault(Fault fault, int arg, const QByteArray &data)
{
    QMutexLocker lock(&m_mutex);
    m_faults.push_back({fault, arg, data});
}

void VirtualInstrument::clearFaults()
{
    QMutexLocker lock(&m_mutex);
    m_faults.clear();
}

void VirtualInstrument::sendUnsolicited(const QByteArray &payload)
{
    QMutexLocker lock(&m_mutex);
    if (m_plugged)
        queuePayload(payload);
}

void VirtualInstrument::plug()
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_plugged)
            return;
        m_plugged = true;
        ++m_generation;
        m_attached = false;
        dropInput();
        m_requestBytes.clear();
        m_lastReadyUs = std::numeric_limits<qint64>::min() / 4;
    }
    emit plugged();
}

void VirtualInstrument::unplug()
{
    bool changed = false;
    {
        QMutexLocker lock(&m_mutex);
        changed = unplugLocked();
    }
    if (changed)
        emit unplugged();
}

bool VirtualInstrument::isPlugged() const
{
    QMutexLocker lock(&m_mutex);
    return m_plugged;
}

void VirtualInstrument::unplugAfterReports(int reports)
{
    QMutexLocker lock(&m_mutex);
    m_unplugAfterReports = reports < 1 ? -1 : reports;
}

void VirtualInstrument::unplugAfterRequests(int requests)
{
    QMutexLocker lock(&m_mutex);
    m_unplugAfterRequests = requests < 1 ? -1 : requests;
}

void VirtualInstrument::setOpenRefused(bool busy, bool permissionDenied)
{
    QMutexLocker lock(&m_mutex);
    m_refuseBusy = busy;
    m_refusePermission = permissionDenied;
}

QList<QByteArray> VirtualInstrument::requests() const
{
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void VirtualInstrument::clearRequests()
{
    QMutexLocker lock(&m_mutex);
    m_requests.clear();
}

qint64 VirtualInstrument::reportsDelivered() const
{
    QMutexLocker lock(&m_mutex);
    return m_delivered;
}

qint64 VirtualInstrument::reportsDropped() const
{
    QMutexLocker lock(&m_mutex);
    return m_dropped;
}

quint64 VirtualInstrument::generation() const
{
    QMutexLocker lock(&m_mutex);
    return m_generation;
}

bool VirtualInstrument::openRefused(bool *permissionDenied) const
{
    QMutexLocker lock(&m_mutex);
    if (permissionDenied)
        *permissionDenied = m_refusePermission;
    return m_refuseBusy || m_refusePermission;
}

void VirtualInstrument::attach(quint64 generation)
{
    QMutexLocker lock(&m_mutex);
    if (!m_plugged || generation != m_generation)
        return;
    m_attached = true;
    dropInput();
    m_requestBytes.clear();
    m_lastReadyUs = std::numeric_limits<qint64>::min() / 4; // nothing in flight to pace behind
}

int VirtualInstrument::hostWrite(quint64 generation, const QByteArray &report)
{
    bool emitUnplugged = false;
    {
        QMutexLocker lock(&m_mutex);
        if (!m_plugged || generation != m_generation)
            return -1;
        // Reports of another identifier, or too short to carry a length, bring no payload.
        if (report.size() >= 2 && static_cast<quint8>(report.at(0)) == kReportId) {
            const qsizetype n = std::min<qsizetype>(
                {static_cast<quint8>(report.at(1)), kMaxPayload, report.size() - 2});
            m_requestBytes.append(report.constData() + 2, n);
            consumeRequestBytes();
        }
        emitUnplugged = std::exchange(m_unplugPending, false);
    }
    if (emitUnplugged)
        emit unplugged();
    return static_cast<int>(report.size());
}

int VirtualInstrument::hostRead(quint64 generation, QByteArray &report, int timeoutMs,
                                const std::atomic<bool> *cancelled)
{
    QMutexLocker lock(&m_mutex);
    const QDeadlineTimer deadline(std::max(0, timeoutMs), Qt::PreciseTimer);
    for (;;) {
        if (!m_plugged || generation != m_generation)
            return -1;
        admitArrivals();
        if (!m_input.empty())
            break;
        if (deadline.hasExpired() || (cancelled && cancelled->load()))
            return 0;
        if (!m_inFlight.empty()) {
            const qint64 waitUs = std::max<qint64>(1, m_inFlight.front().readyAtUs - nowUs());
            QDeadlineTimer until;
            until.setPreciseRemainingTime(0, waitUs * 1000, Qt::PreciseTimer);
            m_inputReady.wait(&m_mutex, std::min(until, deadline));
        } else {
            m_inputReady.wait(&m_mutex, deadline);
        }
    }
    report = m_input.front();
    m_input.pop_front();
    ++m_delivered;
    bool emitUnplugged = false;
    if (m_unplugAfterReports > 0 && --m_unplugAfterReports == 0)
        emitUnplugged = unplugLocked();
    lock.unlock();
    if (emitUnplugged)
        emit unplugged();
    return static_cast<int>(report.size());
}

void VirtualInstrument::wakeReaders()
{
    QMutexLocker lock(&m_mutex);
    m_inputReady.wakeAll();
}

// --- request handling ---

void VirtualInstrument::consumeRequestBytes()
{
    // A complete frame is taken out as soon as it is there, so the stream never holds more
    // than one frame plus one report; the cut below only guards that assumption.
    if (m_requestBytes.size() > kMaxFrameLength + kMaxPayload)
        m_requestBytes.remove(0, m_requestBytes.size() - (kMaxFrameLength + kMaxPayload));

    while (m_plugged) {
        const qsizetype start = m_requestBytes.indexOf(kStartByte);
        if (start < 0) {
            m_requestBytes.clear();
            return;
        }
        m_requestBytes.remove(0, start);
        const qsizetype length = requestFrameLength(m_requestBytes);
        if (length < 0) {
            m_requestBytes.remove(0, 1); // resync on the next start byte
            continue;
        }
        if (length == 0 || m_requestBytes.size() < length)
            return;
        const QByteArray frame = m_requestBytes.left(length);
        m_requestBytes.remove(0, length);
        if (Crc16::modbus(frame, 0, length - 2) != WireBytes::read16(frame, length - 2))
            continue; // a damaged request gets no answer
        handleRequest(frame);
    }
}

void VirtualInstrument::handleRequest(const QByteArray &frame)
{
    if (m_requests.size() >= kMaxLoggedRequests)
        m_requests.removeFirst();
    m_requests.append(frame);

    if (m_unplugAfterRequests > 0 && --m_unplugAfterRequests == 0) {
        m_unplugPending = unplugLocked() || m_unplugPending;
        return;
    }
    if (!m_probe) {
        queueReply(errorFrame());
        return;
    }
    const quint8 command = static_cast<quint8>(frame.at(1));
    if (command == kCmdRegisterRead)
        replyRegisterRead(frame);
    else if (command == kCmdRegisterWrite)
        replyRegisterWrite(frame);
    else if (command > kCmdMemoryWrite)
        replyMemoryWrite(frame);
    else
        replyMemoryRead(frame);
}

void VirtualInstrument::replyRegisterRead(const QByteArray &frame)
{
    const quint8 reg = static_cast<quint8>(frame.at(2));
    QByteArray data;
    if (reg == kRegFirmware) {
        WireBytes::append16(data, m_firmware);
    } else if (reg == kRegClockRead) {
        data = clockBytes(clockLocked());
    } else if (reg == kRegProbe) {
        data.append(m_probe ? char(1) : char(0));
        data.append('\0');
    } else {
        data = QByteArray(WireBytes::read16(frame, 4),
                          '\0'); // registers the host does not use read as zero
    }
    QByteArray reply;
    reply.append(kStartByte);
    reply.append(static_cast<char>(kCmdRegisterRead));
    reply.append(static_cast<char>(reg));
    reply.append('\0');
    WireBytes::append16(reply, static_cast<quint16>(data.size()));
    reply.append(data);
    Crc16::append(reply);
    queueReply(reply);
}

void VirtualInstrument::replyRegisterWrite(const QByteArray &frame)
{
    const quint8 reg = static_cast<quint8>(frame.at(2));
    const quint16 count = WireBytes::read16(frame, 4);
    if (reg == kRegClockWrite && count >= 6) {
        auto byteAt = [&frame](int i) {
            return static_cast<int>(static_cast<quint8>(frame.at(6 + i)));
        };
        const QDate date(2000 + byteAt(0), byteAt(1), byteAt(2));
        const QTime time(byteAt(3), byteAt(4), byteAt(5));
        // An impossible date leaves the clock as it was; the write is still acknowledged.
        if (date.isValid() && time.isValid())
            setClockLocked(QDateTime(date, time));
    }
    QByteArray reply = frame.left(6);
    Crc16::append(reply);
    queueReply(reply);
}

void VirtualInstrument::replyMemoryRead(const QByteArray &frame)
{
    const int bank = static_cast<quint8>(frame.at(1)) - kCmdMemoryRead;
    const quint32 address = WireBytes::read32(frame, 2);
    if (bank == 2) {
        replyBank2Read(address);
        return;
    }
    QByteArray reply = frame.left(8);
    reply.append(readMemoryLocked(bank, address, WireBytes::read16(frame, 6)));
    Crc16::append(reply);
    queueReply(reply);
}

void VirtualInstrument::replyMemoryWrite(const QByteArray &frame)
{
    const int bank = static_cast<quint8>(frame.at(1)) - kCmdMemoryWrite;
    writeMemoryLocked(bank, WireBytes::read32(frame, 2), frame.mid(8, WireBytes::read16(frame, 6)));
    QByteArray reply = frame.left(8);
    Crc16::append(reply);
    queueReply(reply);
}

void VirtualInstrument::replyBank2Read(quint32 address)
{
    QByteArray reply;
    reply.append(kStartByte);
    reply.append(static_cast<char>(kCmdMemoryRead + 2));
    WireBytes::append32(reply, address);
    if (m_family == Family::Meter) {
        // The requested length is ignored: a meter always answers with one group.
        WireBytes::append16(reply, kMeterGroupBytes);
        reply.append(readMemoryLocked(2, address, kMeterGroupBytes));
        Crc16::append(reply);
        queueReply(reply);
        return;
    }
    const qint64 offset = static_cast<qint64>(address) - kRecordingBase;
    if (offset >= 0 && offset % kRecordingStride == 0 &&
        offset / kRecordingStride < m_recordingSizes.size()) {
        sendRecording(static_cast<int>(offset / kRecordingStride));
        return;
    }
    WireBytes::append16(reply, 0);
    Crc16::append(reply);
    queueReply(reply);
}

void VirtualInstrument::sendRecording(int index)
{
    const qint64 base = kRecordingBase + kRecordingStride * index;
    const int size = m_recordingSizes.at(index);
    const QByteArray data = readMemoryLocked(2, base, size);
    int frames = 0;
    for (int offset = 0; offset < size; offset += m_frameDataSize) {
        if (m_stopAfterFrames >= 0 && frames >= m_stopAfterFrames)
            return;
        if (frames == m_pauseAfterFrames && frames > 0)
            m_lastReadyUs = std::max(m_lastReadyUs, nowUs()) + m_pauseUs;
        const QByteArray chunk = data.mid(offset, m_frameDataSize);
        QByteArray frame;
        frame.append(kStartByte);
        frame.append(static_cast<char>(kCmdMemoryRead + 2));
        WireBytes::append32(frame, static_cast<quint32>(base + offset));
        WireBytes::append16(frame, static_cast<quint16>(chunk.size()));
        frame.append(chunk);
        Crc16::append(frame);
        queueReply(frame, frames == m_faultFrame);
        ++frames;
    }
    if (m_stopAfterFrames >= 0)
        return;
    QByteArray end;
    end.append(kStartByte);
    end.append(static_cast<char>(kCmdMemoryRead + 2));
    WireBytes::append32(end, static_cast<quint32>(base + size));
    WireBytes::append16(end, 0);
    Crc16::append(end);
    queueReply(end, frames == m_faultFrame);
}

// --- reply output ---

void VirtualInstrument::queueReply(QByteArray reply, bool mayFault)
{
    if (!mayFault || m_faults.empty()) {
        queuePayload(reply);
        return;
    }
    const QueuedFault fault = m_faults.front();
    m_faults.pop_front();
    switch (fault.fault) {
    case Fault::BadFrameCrc:
        if (!reply.isEmpty())
            reply[reply.size() - 1] = static_cast<char>(reply.back() ^ 0xFF);
        queuePayload(reply);
        break;
    case Fault::WrongEcho:
        if (reply.size() >= 2) {
            reply.chop(2);
            // Command, register / address and count / length: every pair of fields an
            // echo check looks at.
            for (qsizetype at : {1, 2, 4, 6}) {
                if (at < reply.size())
                    reply[at] = static_cast<char>(reply.at(at) ^ 0xFF);
            }
            Crc16::append(reply);
        }
        queuePayload(reply);
        break;
    case Fault::NoReply:
        break;
    case Fault::SplitReply: {
        const qsizetype cut = std::clamp<qsizetype>(fault.arg, 0, reply.size());
        queuePayload(reply.left(cut));
        queuePayload(reply.mid(cut));
        break;
    }
    case Fault::GarbageBefore:
        queuePayload(fault.data + reply);
        break;
    case Fault::ForeignReport: {
        // Carries a plausible frame (an error reply unless given), so a host that fails
        // to skip the report misreads it.
        const QByteArray payload =
            fault.data.isEmpty() ? errorFrame() : fault.data.left(kMaxPayload);
        QByteArray report(kReportSize, '\0');
        report[0] = static_cast<char>(fault.arg);
        report[1] = static_cast<char>(payload.size());
        std::memcpy(report.data() + 2, payload.constData(), payload.size());
        queueReport(report);
        queuePayload(reply);
        break;
    }
    case Fault::SecondFrame:
        queuePayload(reply + fault.data);
        break;
    case Fault::ShortReply:
        queuePayload(reply.left(std::max(0, fault.arg)));
        break;
    }
}

void VirtualInstrument::queuePayload(const QByteArray &payload)
{
    for (qsizetype at = 0; at < payload.size(); at += kMaxPayload) {
        const qsizetype n = std::min<qsizetype>(kMaxPayload, payload.size() - at);
        QByteArray report(kReportSize, '\0');
        report[0] = static_cast<char>(kReportId);
        report[1] = static_cast<char>(n);
        std::memcpy(report.data() + 2, payload.constData() + at, n);
        queueReport(report);
    }
}

void VirtualInstrument::queueReport(const QByteArray &report)
{
    // Never before a report sent earlier: reports arrive in the order they were sent.
    const qint64 readyAt = std::max(m_lastReadyUs + m_intervalUs, nowUs());
    m_lastReadyUs = readyAt;
    if (m_inFlight.size() >= kMaxQueuedReports)
        m_inFlight.pop_front();
    m_inFlight.push_back({report, readyAt});
    m_inputReady.wakeAll();
}

void VirtualInstrument::admitArrivals()
{
    // Nothing is taken out between two reads, so sorting the arrivals in at the next read
    // gives the buffer each of them would have met.
    const qint64 now = nowUs();
    while (!m_inFlight.empty() && m_inFlight.front().readyAtUs <= now) {
        if (m_input.size() < static_cast<size_t>(InputBufferReports))
            m_input.push_back(std::move(m_inFlight.front().bytes));
        else
            ++m_dropped;
        m_inFlight.pop_front();
    }
}

void VirtualInstrument::dropInput()
{
    m_inFlight.clear();
    m_input.clear();
}

// --- memory ---

void VirtualInstrument::rewriteProductionRecord()
{
    QByteArray payload;
    payload.append(static_cast<char>(m_kindByte));
    payload.append('\0');
    WireBytes::append16(payload, static_cast<quint16>(m_prodYear));
    payload.append(static_cast<char>(m_prodMonth));
    payload.append(static_cast<char>(m_prodDay));
    WireBytes::append32(payload, m_serial);
    WireBytes::append32(payload, m_modelCode);
    WireBytes::append16(payload, m_auxWord);
    payload.append(static_cast<char>(m_auxByte1));
    payload.append(static_cast<char>(m_auxByte2));
    writeBlockLocked(7, kProductionAddress, payload);
}

void VirtualInstrument::writeBlockLocked(int bank, int address, const QByteArray &payload)
{
    QByteArray block = payload;
    const quint16 crc = Crc16::modbus(payload);
    WireBytes::append16(block, crc);
    writeMemoryLocked(bank, address, block);
}

void VirtualInstrument::setGroupCountLocked(int count)
{
    QByteArray payload;
    payload.append(static_cast<char>(std::clamp(count, 0, 255)));
    payload.append('\0');
    writeBlockLocked(1, kGroupCountAddress, payload);
}

void VirtualInstrument::setClockLocked(const QDateTime &when)
{
    m_clockBase = when;
    m_clockTimer.start();
}

QDateTime VirtualInstrument::clockLocked() const
{
    const QDateTime now = m_clockBase.addMSecs(m_clockTimer.elapsed());
    return now.addMSecs(-now.time().msec());
}

QByteArray VirtualInstrument::readMemoryLocked(int bank, qint64 address, qint64 length) const
{
    if (length <= 0)
        return QByteArray();
    QByteArray bytes(length, '\0');
    const QByteArray *storage = bankOrNull(bank);
    if (!storage || address < 0 || address >= storage->size())
        return bytes;
    const qint64 n = std::min<qint64>(length, storage->size() - address);
    std::memcpy(bytes.data(), storage->constData() + address, n);
    return bytes;
}

void VirtualInstrument::writeMemoryLocked(int bank, qint64 address, const QByteArray &bytes)
{
    QByteArray *storage = bankOrNull(bank);
    const qint64 capacity = bankCapacity(bank);
    if (!storage || address < 0 || address >= capacity || bytes.isEmpty())
        return;
    const qint64 n = std::min<qint64>(bytes.size(), capacity - address);
    if (storage->size() < address + n)
        storage->resize(address + n, '\0');
    std::memcpy(storage->data() + address, bytes.constData(), n);
}

QByteArray *VirtualInstrument::bankOrNull(int number)
{
    return const_cast<QByteArray *>(std::as_const(*this).bankOrNull(number));
}

const QByteArray *VirtualInstrument::bankOrNull(int number) const
{
    switch (number) {
    case 1:
        return &m_bank1;
    case 2:
        return &m_bank2;
    case 7:
        return &m_bank7;
    default:
        return nullptr;
    }
}

qint64 VirtualInstrument::bankCapacity(int number)
{
    switch (number) {
    case 1:
    case 7:
        return 0x1000;
    case 2:
        return kRecordingBase + kRecordingStride * kMaxRecordings;
    default:
        return 0;
    }
}

qint64 VirtualInstrument::nowUs() const
{
    return m_sinceStart.nsecsElapsed() / 1000;
}

bool VirtualInstrument::unplugLocked()
{
    if (!m_plugged)
        return false;
    m_plugged = false;
    m_attached = false;
    ++m_generation;
    dropInput();
    m_requestBytes.clear();
    m_unplugAfterReports = -1;
    m_unplugAfterRequests = -1;
    m_inputReady.wakeAll();
    return true;
}
