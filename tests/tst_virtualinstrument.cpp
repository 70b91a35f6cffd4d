// The virtual instrument seen from the host side: whole HID reports through the virtual
// backend, request frames built by hand.

#include "crc16.h"
#include "hidconnection.h"
#include "virtualhidbackend.h"
#include "virtualinstrument.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <cstring>
#include <initializer_list>
#include <memory>

namespace {

constexpr quint16 kVid = 0x2047;
constexpr quint16 kPid = 0x0301;
constexpr quint32 kLoggerModel = 5633416;
constexpr quint32 kMeterModel = 7001297;

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v));
    return out;
}

QByteArray withCrc(QByteArray frame)
{
    Crc16::append(frame);
    return frame;
}

quint16 le16(const QByteArray &b, int at)
{
    return static_cast<quint16>(static_cast<quint8>(b.at(at)) |
                                (static_cast<quint8>(b.at(at + 1)) << 8));
}

quint32 le32(const QByteArray &b, int at)
{
    return le16(b, at) | (static_cast<quint32>(le16(b, at + 2)) << 16);
}

float leFloat(const QByteArray &b, int at)
{
    const quint32 bits = le32(b, at);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray floatBytes(float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bytes(
        {int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF), int(bits >> 24)});
}

bool frameCrcOk(const QByteArray &frame)
{
    return frame.size() >= 3 &&
           Crc16::modbus(frame, 0, frame.size() - 2) == le16(frame, frame.size() - 2);
}

QByteArray memoryRead(int bank, quint32 address, quint16 length)
{
    return withCrc(
        bytes({0xAB, 0x40 + bank, int(address & 0xFF), int((address >> 8) & 0xFF),
               int((address >> 16) & 0xFF), int(address >> 24), length & 0xFF, length >> 8}));
}

QByteArray memoryWrite(int bank, quint32 address, const QByteArray &data)
{
    QByteArray frame = bytes({0xAB, 0x70 + bank, int(address & 0xFF), int((address >> 8) & 0xFF),
                              int((address >> 16) & 0xFF), int(address >> 24),
                              int(data.size() & 0xFF), int(data.size() >> 8)});
    return withCrc(frame + data);
}

QByteArray registerRead(int reg, int count)
{
    return withCrc(bytes({0xAB, 0x20, reg, 0x00, count, 0x00}));
}

QByteArray blockOf(const QByteArray &payload)
{
    return withCrc(payload); // same function, low byte first
}

const QByteArray kFirmwareRequest = registerRead(0x1C, 2);

// Sends `payload` the way the host does: 62 bytes per 64-byte output report.
bool sendPayload(HidConnection &connection, const QByteArray &payload)
{
    for (qsizetype at = 0; at < payload.size(); at += 62) {
        const QByteArray part = payload.mid(at, 62);
        QByteArray report(64, '\0');
        report[0] = 0x3F;
        report[1] = static_cast<char>(part.size());
        std::memcpy(report.data() + 2, part.constData(), part.size());
        if (connection.writeReport(report, 1000) != 64)
            return false;
    }
    return true;
}

// Replies are queued while the request is written, so without pacing everything the
// instrument has to say is readable at once.
QList<QByteArray> drainReports(HidConnection &connection)
{
    QList<QByteArray> reports;
    QByteArray report;
    while (connection.readReport(report, 0) > 0)
        reports.append(report);
    return reports;
}

QByteArray payloadOf(const QByteArray &report)
{
    if (report.size() < 2 || static_cast<quint8>(report.at(0)) != 0x3F ||
        static_cast<quint8>(report.at(1)) > 62)
        return QByteArray();
    return report.mid(2, static_cast<quint8>(report.at(1)));
}

QByteArray payloadOf(const QList<QByteArray> &reports)
{
    QByteArray out;
    for (const QByteArray &report : reports)
        out += payloadOf(report);
    return out;
}

QByteArray exchange(HidConnection &connection, const QByteArray &request)
{
    if (!sendPayload(connection, request))
        return QByteArray("send failed");
    return payloadOf(drainReports(connection));
}

std::unique_ptr<HidConnection> openInstrument(VirtualHidBackend &backend)
{
    const QList<HidDeviceInfo> devices = backend.enumerate(kVid, kPid);
    if (devices.size() != 1)
        return nullptr;
    return backend.open(devices.first().path);
}

} // namespace

class TestVirtualInstrument : public QObject
{
    Q_OBJECT

private slots:
    void identityBlocks();
    void memoryWritesAndRequestStream();
    void clockRunsOn();
    void meterGroups();
    void loggerRecordings();
    void probeNotificationAndErrorReply();
    void faults();
    void unplugAndReplug();
    void pacing();
    void inputBuffer();
};

void TestVirtualInstrument::identityBlocks()
{
    VirtualInstrument instrument(VirtualInstrument::Family::Meter, kMeterModel);
    VirtualHidBackend backend(&instrument);

    QVERIFY(backend.enumerate(0x1234, kPid).isEmpty());
    const QList<HidDeviceInfo> devices = backend.enumerate(kVid, kPid);
    QCOMPARE(devices.size(), 1);
    QCOMPARE(devices.first().serial, QStringLiteral("19120001"));
    QCOMPARE(devices.first().vendorId, kVid);
    QCOMPARE(devices.first().productId, kPid);
    auto connection = backend.open(devices.first().path);
    QVERIFY(connection);
    QCOMPARE(connection->serialNumber(), QStringLiteral("19120001"));
    QVERIFY(!connection->isRemoved());

    // Defaults: every block valid.
    QByteArray reply = exchange(*connection, memoryRead(7, 0x00, 0x14));
    QCOMPARE(reply.size(), 30);
    QCOMPARE(reply.left(8), bytes({0xAB, 0x47, 0, 0, 0, 0, 0x14, 0}));
    QVERIFY(frameCrcOk(reply));
    QCOMPARE(reply.mid(8, 20), blockOf(reply.mid(8, 18)));
    QCOMPARE(le32(reply, 8 + 6), 19120001u);
    QCOMPARE(le32(reply, 8 + 10), kMeterModel);

    QCOMPARE(exchange(*connection, memoryRead(7, 0x24, 6)).mid(8, 6),
             blockOf(bytes({0xE8, 0x07, 1, 20})));
    QCOMPARE(exchange(*connection, memoryRead(7, 0x60, 6)).mid(8, 6),
             blockOf(bytes({0, 10, 0, 0})));
    QCOMPARE(exchange(*connection, memoryRead(1, 0x80, 6)).mid(8, 6),
             blockOf(bytes({0, 10, 0, 0})));
    QCOMPARE(exchange(*connection, memoryRead(1, 0xE0, 4)).mid(8, 4), blockOf(bytes({0, 0})));

    reply = exchange(*connection, kFirmwareRequest);
    QCOMPARE(reply, withCrc(bytes({0xAB, 0x20, 0x1C, 0x00, 0x02, 0x00, 23, 0})));

    // Setters rewrite the blocks with a valid CRC.
    instrument.setSerialNumber(0x01020304);
    instrument.setModelCode(0xA1B2C3D4);
    instrument.setProductionDate(2019, 12, 31);
    instrument.setCopiedBytes(0x5A, 0xBEEF, 0x11, 0x22);
    instrument.setCalibrationDate(2025, 2, 3);
    instrument.setFirmwareVersion(0x0135);
    instrument.setHostSettings(1, 2, 3, 4);
    instrument.setMeasureSettings(5, 6, 7, 8);
    instrument.setGroupCount(7);
    const QByteArray record = bytes({0x5A, 0x00, 0xE3, 0x07, 12, 31, 0x04, 0x03, 0x02, 0x01, 0xD4,
                                     0xC3, 0xB2, 0xA1, 0xEF, 0xBE, 0x11, 0x22});
    QCOMPARE(exchange(*connection, memoryRead(7, 0x00, 0x14)).mid(8, 20), blockOf(record));
    QCOMPARE(instrument.memory(7, 0, 20), blockOf(record));
    QCOMPARE(exchange(*connection, memoryRead(7, 0x24, 6)).mid(8, 6),
             blockOf(bytes({0xE9, 0x07, 2, 3})));
    QCOMPARE(exchange(*connection, memoryRead(1, 0x80, 6)).mid(8, 6), blockOf(bytes({1, 2, 3, 4})));
    QCOMPARE(exchange(*connection, memoryRead(7, 0x60, 6)).mid(8, 6), blockOf(bytes({5, 6, 7, 8})));
    QCOMPARE(exchange(*connection, memoryRead(1, 0xE0, 4)).mid(8, 4), blockOf(bytes({7, 0})));
    QCOMPARE(exchange(*connection, kFirmwareRequest).mid(6, 2), bytes({0x35, 0x01}));

    // The USB serial follows the serial number until it is set on its own.
    QCOMPARE(instrument.usbSerial(), QString::number(0x01020304));
    instrument.setUsbSerial(QStringLiteral("ABC"));
    instrument.setSerialNumber(42);
    QCOMPARE(instrument.usbSerial(), QStringLiteral("ABC"));

    // A corrupted block fails in both CRC bytes (the group count check accepts either one).
    instrument.corruptBlock(1, 0xE0, 2);
    reply = exchange(*connection, memoryRead(1, 0xE0, 4));
    QVERIFY(frameCrcOk(reply));
    const quint16 expected = Crc16::modbus(reply, 8, 2);
    QVERIFY(static_cast<quint8>(reply.at(10)) != (expected & 0xFF));
    QVERIFY(static_cast<quint8>(reply.at(11)) != (expected >> 8));
    QCOMPARE(reply.at(8), char(7));

    // writeBlock / setMemory / memory agree.
    instrument.writeBlock(1, 0x100, bytes({9, 8, 7}));
    QCOMPARE(instrument.memory(1, 0x100, 5), blockOf(bytes({9, 8, 7})));
    instrument.setMemory(7, 0x200, bytes({1, 2}));
    QCOMPARE(exchange(*connection, memoryRead(7, 0x1FF, 4)).mid(8, 4), bytes({0, 1, 2, 0}));
}

void TestVirtualInstrument::memoryWritesAndRequestStream()
{
    VirtualInstrument instrument(VirtualInstrument::Family::Logger, kLoggerModel);
    VirtualHidBackend backend(&instrument);
    auto connection = openInstrument(backend);
    QVERIFY(connection);

    // Host and measure settings written as the host does, block CRC included.
    const QByteArray hostWrite = memoryWrite(1, 0x80, blockOf(bytes({1, 30, 2, 0})));
    QCOMPARE(hostWrite.size(), 16);
    QCOMPARE(exchange(*connection, hostWrite), withCrc(hostWrite.left(8)));
    QCOMPARE(instrument.memory(1, 0x80, 6), blockOf(bytes({1, 30, 2, 0})));
    QCOMPARE(exchange(*connection, memoryRead(1, 0x80, 6)).mid(8, 6),
             blockOf(bytes({1, 30, 2, 0})));

    const QByteArray measureWrite = memoryWrite(7, 0x60, blockOf(bytes({0, 10, 2, 3})));
    QCOMPARE(exchange(*connection, measureWrite).size(), 10);
    QCOMPARE(exchange(*connection, memoryRead(7, 0x60, 6)).mid(8, 6),
             blockOf(bytes({0, 10, 2, 3})));

    // A write stored as sent, even with a wrong block CRC.
    QCOMPARE(exchange(*connection, memoryWrite(1, 0x80, bytes({1, 2, 3, 4, 0, 0}))).size(), 10);
    QCOMPARE(instrument.memory(1, 0x80, 6), bytes({1, 2, 3, 4, 0, 0}));

    // A frame spanning several reports, and a long reply spanning several reports.
    QByteArray big;
    for (int i = 0; i < 150; ++i)
        big.append(static_cast<char>(i * 7));
    instrument.clearRequests();
    QCOMPARE(exchange(*connection, memoryWrite(1, 0x300, big)).size(), 10);
    QCOMPARE(instrument.memory(1, 0x300, 150), big);
    QVERIFY(sendPayload(*connection, memoryRead(1, 0x300, 150)));
    const QList<QByteArray> reports = drainReports(*connection);
    QCOMPARE(reports.size(), 3); // 160 bytes: 62 + 62 + 36
    for (const QByteArray &report : reports)
        QCOMPARE(report.size(), 64);
    QCOMPARE(payloadOf(reports.last()).size(), 36);
    QCOMPARE(payloadOf(reports).mid(8, 150), big);

    // The log holds the exact frames, CRC included.
    QCOMPARE(instrument.requests(),
             (QList<QByteArray>{memoryWrite(1, 0x300, big), memoryRead(1, 0x300, 150)}));

    // Resynchronising: junk, an unknown command and a damaged frame get no answer; the good
    // frame after them does, and only it is logged.
    instrument.clearRequests();
    QByteArray damaged = kFirmwareRequest;
    damaged[damaged.size() - 1] = static_cast<char>(damaged.back() ^ 0x01);
    QByteArray stream = bytes({0x00, 0x13}) + bytes({0xAB, 0x99}) + damaged + kFirmwareRequest;
    QByteArray reply = exchange(*connection, stream);
    QCOMPARE(reply, withCrc(bytes({0xAB, 0x20, 0x1C, 0x00, 0x02, 0x00, 23, 0})));
    QCOMPARE(instrument.requests(), QList<QByteArray>{kFirmwareRequest});

    // A frame trickled in byte by byte is answered once it is complete.
    const QByteArray read = memoryRead(1, 0xE0, 4);
    for (int i = 0; i < read.size() - 1; ++i) {
        QVERIFY(sendPayload(*connection, read.mid(i, 1)));
        QVERIFY(drainReports(*connection).isEmpty());
    }
    QCOMPARE(exchange(*connection, read.right(1)).size(), 14);

    // Reports of another identifier carry nothing.
    QByteArray foreign(64, '\0');
    foreign[0] = 0x01;
    foreign[1] = static_cast<char>(kFirmwareRequest.size());
    std::memcpy(foreign.data() + 2, kFirmwareRequest.constData(), kFirmwareRequest.size());
    QCOMPARE(connection->writeReport(foreign, 1000), 64);
    QVERIFY(drainReports(*connection).isEmpty());

    instrument.clearRequests();
    QVERIFY(instrument.requests().isEmpty());
}

void TestVirtualInstrument::clockRunsOn()
{
    VirtualInstrument instrument(VirtualInstrument::Family::Logger, kLoggerModel);
    VirtualHidBackend backend(&instrument);
    auto connection = openInstrument(backend);
    QVERIFY(connection);

    const QDateTime set(QDate(2023, 5, 6), QTime(12, 8, 9));
    instrument.setClock(set);
    QByteArray reply = exchange(*connection, registerRead(0x61, 6));
    QCOMPARE(reply.size(), 14);
    QCOMPARE(reply.left(6), bytes({0xAB, 0x20, 0x61, 0x00, 0x06, 0x00}));
    QVERIFY(frameCrcOk(reply));
    const QDateTime read(QDate(2000 + reply.at(6), reply.at(7), reply.at(8)),
                         QTime(reply.at(9), reply.at(10), reply.at(11)));
    QVERIFY(read >= set);
    QVERIFY(read <= instrument.clock());

    // Sleeping guarantees at least this much time has passed: the clock must have moved.
    QThread::msleep(1100);
    QVERIFY(instrument.clock() >= set.addSecs(1));
    QCOMPARE(instrument.clock().time().msec(), 0);

    // Setting it over the wire.
    const QByteArray write =
        withCrc(bytes({0xAB, 0x21, 0x21, 0x00, 0x06, 0x00, 30, 11, 22, 13, 44, 55}));
    QCOMPARE(exchange(*connection, write), withCrc(write.left(6)));
    const QDateTime written(QDate(2030, 11, 22), QTime(13, 44, 55));
    QVERIFY(instrument.clock() >= written);
    QVERIFY(instrument.clock() < written.addSecs(3600));

    // An impossible date is acknowledged but leaves the clock alone.
    const QByteArray bad =
        withCrc(bytes({0xAB, 0x21, 0x21, 0x00, 0x06, 0x00, 24, 13, 40, 0, 0, 0}));
    QCOMPARE(exchange(*connection, bad).size(), 8);
    QCOMPARE(instrument.clock().date(), written.date());
}

void TestVirtualInstrument::meterGroups()
{
    VirtualInstrument instrument(VirtualInstrument::Family::Meter, kMeterModel);
    VirtualHidBackend backend(&instrument);
    auto connection = openInstrument(backend);
    QVERIFY(connection);

    const QVector<VirtualInstrument::MeterGroup> groups = {
        {1.5f, 2.5f, 0.5f, 1.25f, 100.0f, 60.0f},
        {-3.0f, 1e6f, 1e-3f, 7.75f, 0.0f, 3600.0f},
        {10.0f, 20.0f, 30.0f, 40.0f, 50.0f, 60.0f},
    };
    instrument.setMeterGroups(groups);
    QCOMPARE(exchange(*connection, memoryRead(1, 0xE0, 4)).mid(8, 4), blockOf(bytes({3, 0})));

    for (int i = 0; i < groups.size(); ++i) {
        const quint32 address = 0xF0 + 24 * i;
        const QByteArray reply = exchange(*connection, memoryRead(2, address, 0x40));
        QCOMPARE(reply.size(), 34);
        QCOMPARE(reply.left(8),
                 bytes({0xAB, 0x42, int(address & 0xFF), int(address >> 8), 0, 0, 0x18, 0x00}));
        QVERIFY(frameCrcOk(reply));
        for (int k = 0; k < 6; ++k)
            QCOMPARE(leFloat(reply, 8 + 4 * k), groups.at(i).at(k));
    }

    // Fewer groups afterwards: the old third group is gone from memory.
    instrument.setMeterGroups({groups.at(1)});
    QCOMPARE(exchange(*connection, memoryRead(1, 0xE0, 4)).at(8), char(1));
    QCOMPARE(exchange(*connection, memoryRead(2, 0xF0, 0x40)).mid(8, 4), floatBytes(-3.0f));
    QCOMPARE(exchange(*connection, memoryRead(2, 0xF0 + 48, 0x40)).mid(8, 24),
             QByteArray(24, '\0'));

    // Any other address: a 34-byte frame of what memory holds there.
    instrument.setMemory(2, 0x500, floatBytes(9.0f));
    const QByteArray reply = exchange(*connection, memoryRead(2, 0x500, 0x40));
    QCOMPARE(reply.size(), 34);
    QCOMPARE(leFloat(reply, 8), 9.0f);
}

void TestVirtualInstrument::loggerRecordings()
{
    VirtualInstrument instrument(VirtualInstrument::Family::Logger, kLoggerModel);
    VirtualHidBackend backend(&instrument);
    auto connection = openInstrument(backend);
    QVERIFY(connection);

    VirtualInstrument::Recording first{QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7)), {}};
    for (int i = 0; i < 30; ++i)
        first.samples.append(0.5f * i);
    VirtualInstrument::Recording second{QDateTime(QDate(2025, 12, 31), QTime(23, 59, 58)), {}};
    for (int i = 0; i < 700; ++i)
        second.samples.append(1000.0f - i);
    instrument.setRecordings({first, second});
    instrument.setFrameDataSize(40);
    QCOMPARE(exchange(*connection, memoryRead(1, 0xE0, 4)).mid(8, 4), blockOf(bytes({2, 0})));

    struct Frame {
        QByteArray bytes;
        int reports;
    };
    // Reads one group: every frame must start a report of its own.
    auto readGroup = [&](quint32 address, QList<Frame> *frames) {
        if (!sendPayload(*connection, memoryRead(2, address, 0x40)))
            return false;
        const QList<QByteArray> reports = drainReports(*connection);
        for (int r = 0; r < reports.size();) {
            QByteArray frame = payloadOf(reports.at(r));
            int used = 1;
            if (frame.size() < 8 || frame.at(0) != char(0xAB) || frame.at(1) != char(0x42))
                return false;
            const int total = le16(frame, 6) + 10;
            while (frame.size() < total && r + used < reports.size())
                frame += payloadOf(reports.at(r + used++));
            if (frame.size() != total)
                return false;
            frames->append({frame, used});
            r += used;
        }
        return true;
    };

    const quint32 addresses[] = {0x180, 0x180 + 0x980};
    const VirtualInstrument::Recording *recordings[] = {&first, &second};
    for (int g = 0; g < 2; ++g) {
        QList<Frame> frames;
        QVERIFY(readGroup(addresses[g], &frames));
        QVERIFY(frames.size() >= 2);
        QByteArray data;
        for (int f = 0; f < frames.size(); ++f) {
            const QByteArray &frame = frames.at(f).bytes;
            QVERIFY(frameCrcOk(frame));
            const int length = le16(frame, 6);
            QVERIFY(length <= 40);
            QCOMPARE(length == 0, f == frames.size() - 1); // only the last frame ends the group
            data += frame.mid(8, length);
        }
        const VirtualInstrument::Recording &recording = *recordings[g];
        const QDateTime start = recording.start;
        QCOMPARE(data.left(6),
                 bytes({start.date().year() - 2000, start.date().month(), start.date().day(),
                        start.time().hour(), start.time().minute(), start.time().second()}));
        const int samples = int(std::min<qsizetype>(recording.samples.size(), 606));
        QCOMPARE(data.size(), 6 + 4 * samples);
        for (int i = 0; i < samples; ++i)
            QCOMPARE(leFloat(data, 6 + 4 * i), recording.samples.at(i));
    }

    // A larger frame size spans two reports per frame; each frame still starts a report.
    instrument.setFrameDataSize(100);
    {
        QList<Frame> frames;
        QVERIFY(readGroup(0x180, &frames));
        QCOMPARE(frames.size(), 3); // 126 bytes: 100 + 26, then the end frame
        QCOMPARE(frames.at(0).reports, 2);
        QCOMPARE(le16(frames.at(1).bytes, 6), 26);
    }

    // No recording there: only the end frame.
    for (quint32 address : {quint32(0x180 + 2 * 0x980), quint32(0x181), quint32(0x10)}) {
        const QByteArray reply = exchange(*connection, memoryRead(2, address, 0x40));
        QCOMPARE(reply.size(), 10);
        QCOMPARE(le16(reply, 6), 0);
        QVERIFY(frameCrcOk(reply));
    }

    // Stopping mid-group: n data frames and no end frame, until reset.
    instrument.setFrameDataSize(40);
    instrument.setLoggerStopAfterFrames(2);
    for (int round = 0; round < 2; ++round) {
        QList<Frame> frames;
        QVERIFY(readGroup(0x180 + 0x980, &frames));
        QCOMPARE(frames.size(), 2);
        QCOMPARE(le16(frames.at(1).bytes, 6), 40);
    }
    // More than the group holds: every data frame, still no end frame.
    instrument.setLoggerStopAfterFrames(10);
    {
        QList<Frame> frames;
        QVERIFY(readGroup(0x180, &frames));
        QCOMPARE(frames.size(), 4); // 126 bytes in 40-byte frames
        QVERIFY(le16(frames.last().bytes, 6) != 0);
    }
    instrument.setLoggerStopAfterFrames(-1);
    QList<Frame> frames;
    QVERIFY(readGroup(0x180, &frames));
    QCOMPARE(le16(frames.last().bytes, 6), 0);
}

void TestVirtualInstrument::probeNotificationAndErrorReply()
{
    VirtualInstrument instrument(VirtualInstrument::Family::Meter, kMeterModel);
    VirtualHidBackend backend(&instrument);

    // Changes made before a connection opens are not seen by it.
    instrument.setProbeConnected(false);
    instrument.setProbeConnected(true);
    auto connection = openInstrument(backend);
    QVERIFY(connection);
    QVERIFY(drainReports(*connection).isEmpty());

    instrument.setProbeConnected(false);
    QVERIFY(!instrument.probeConnected());
    QCOMPARE(payloadOf(drainReports(*connection)),
             withCrc(bytes({0xAB, 0x22, 0x0D, 0x00, 0x02, 0x00, 0, 0})));
    instrument.setProbeConnected(false); // no change, no notification
    QVERIFY(drainReports(*connection).isEmpty());

    // Every request gets the error reply, and a write does not happen.
    const QByteArray errorReply = withCrc(bytes({0xAB, 0xC7, 0x08}));
    QCOMPARE(exchange(*connection, kFirmwareRequest), errorReply);
    QCOMPARE(exchange(*connection, registerRead(0x61, 6)), errorReply);
    QCOMPARE(exchange(*connection, memoryRead(2, 0xF0, 0x40)), errorReply);
    const QByteArray before = instrument.memory(1, 0x80, 6);
    QCOMPARE(exchange(*connection, memoryWrite(1, 0x80, blockOf(bytes({9, 9, 9, 9})))), errorReply);
    QCOMPARE(instrument.memory(1, 0x80, 6), before);
    QCOMPARE(instrument.requests().size(), 4);

    instrument.setProbeConnected(true);
    QCOMPARE(payloadOf(drainReports(*connection)),
             withCrc(bytes({0xAB, 0x22, 0x0D, 0x00, 0x02, 0x00, 1, 0})));
    QCOMPARE(exchange(*connection, registerRead(0x0D, 2)),
             withCrc(bytes({0xAB, 0x20, 0x0D, 0x00, 0x02, 0x00, 1, 0})));
    QCOMPARE(exchange(*connection, kFirmwareRequest).size(), 10);

    // Raw unsolicited bytes go out as they are.
    instrument.sendUnsolicited(bytes({1, 2, 3}));
    QCOMPARE(payloadOf(drainReports(*connection)), bytes({1, 2, 3}));
}

void TestVirtualInstrument::faults()
{
    using Fault = VirtualInstrument::Fault;
    VirtualInstrument instrument(VirtualInstrument::Family::Logger, kLoggerModel);
    VirtualHidBackend backend(&instrument);
    auto connection = openInstrument(backend);
    QVERIFY(connection);
    const QByteArray good = exchange(*connection, kFirmwareRequest);
    QCOMPARE(good.size(), 10);

    auto faulted = [&](Fault fault, int arg = 0, const QByteArray &data = QByteArray()) {
        instrument.injectFault(fault, arg, data);
        if (!sendPayload(*connection, kFirmwareRequest))
            return QList<QByteArray>();
        return drainReports(*connection);
    };

    QList<QByteArray> reports = faulted(Fault::BadFrameCrc);
    QByteArray reply = payloadOf(reports);
    QCOMPARE(reply.size(), 10);
    QCOMPARE(reply.left(9), good.left(9));
    QVERIFY(reply.at(9) != good.at(9));
    QVERIFY(!frameCrcOk(reply));

    reply = payloadOf(faulted(Fault::WrongEcho));
    QCOMPARE(reply.size(), 10);
    QVERIFY(frameCrcOk(reply));
    QVERIFY(reply.at(2) != good.at(2));
    QVERIFY(reply.at(4) != good.at(4));
    QVERIFY(reply.at(6) != good.at(6));
    QVERIFY(reply.at(1) != good.at(1));
    QCOMPARE(reply.at(0), good.at(0));

    QVERIFY(faulted(Fault::NoReply).isEmpty());
    QCOMPARE(exchange(*connection, kFirmwareRequest), good); // the fault was used up

    for (int cut : {1, 3, 9}) {
        reports = faulted(Fault::SplitReply, cut);
        QCOMPARE(reports.size(), 2);
        QCOMPARE(payloadOf(reports.at(0)), good.left(cut));
        QCOMPARE(payloadOf(reports.at(1)), good.mid(cut));
    }

    const QByteArray garbage = bytes({0x00, 0xAB, 0x13});
    reports = faulted(Fault::GarbageBefore, 0, garbage);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(payloadOf(reports.first()), garbage + good);

    reports = faulted(Fault::ForeignReport, 0x01);
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports.at(0).at(0), char(0x01));
    QCOMPARE(reports.at(0).size(), 64);
    QCOMPARE(payloadOf(reports.at(1)), good);

    const QByteArray second = withCrc(bytes({0xAB, 0x22, 0x0D, 0x00, 0x02, 0x00, 1, 0}));
    reports = faulted(Fault::SecondFrame, 0, second);
    QCOMPARE(reports.size(), 1);
    QCOMPARE(payloadOf(reports.first()), good + second);

    QCOMPARE(payloadOf(faulted(Fault::ShortReply, 4)), good.left(4));

    // Queued faults take consecutive replies in order; clearFaults drops the rest.
    instrument.injectFault(Fault::ShortReply, 2);
    instrument.injectFault(Fault::ShortReply, 5);
    instrument.injectFault(Fault::NoReply);
    QCOMPARE(exchange(*connection, kFirmwareRequest), good.left(2));
    QCOMPARE(exchange(*connection, kFirmwareRequest), good.left(5));
    instrument.clearFaults();
    QCOMPARE(exchange(*connection, kFirmwareRequest), good);

    // A long reply split inside its second report.
    const QByteArray longGood = exchange(*connection, memoryRead(1, 0x00, 100));
    QCOMPARE(longGood.size(), 110);
    instrument.injectFault(Fault::SplitReply, 70);
    QVERIFY(sendPayload(*connection, memoryRead(1, 0x00, 100)));
    reports = drainReports(*connection);
    QCOMPARE(reports.size(), 3);
    QCOMPARE(payloadOf(reports.at(1)).size(), 8);
    QCOMPARE(payloadOf(reports), longGood);

    // In a recording only the first frame takes the fault.
    instrument.setRecordings(
        {{QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QVector<float>(20, 1.0f)}});
    instrument.setFrameDataSize(40);
    const QByteArray group = exchange(*connection, memoryRead(2, 0x180, 0x40));
    QCOMPARE(group.size(), 50 + 50 + 16 + 10); // 86 data bytes: 40 + 40 + 6, then the end frame
    instrument.injectFault(Fault::ShortReply, 20);
    instrument.injectFault(Fault::ShortReply, 3);
    QCOMPARE(exchange(*connection, memoryRead(2, 0x180, 0x40)), group.left(20) + group.mid(50));
    QCOMPARE(exchange(*connection, kFirmwareRequest), good.left(3));
    // Or a later frame: the second, or the end frame; other replies take it as before.
    struct Target {
        int frame;
        qsizetype at, size;
    };
    for (const Target &t : {Target{1, 50, 50}, Target{3, 116, 10}}) {
        instrument.setRecordingFaultFrame(t.frame);
        instrument.injectFault(Fault::ShortReply, 4);
        QCOMPARE(exchange(*connection, memoryRead(2, 0x180, 0x40)),
                 group.left(t.at) + group.mid(t.at, 4) + group.mid(t.at + t.size));
    }
    instrument.injectFault(Fault::ShortReply, 3);
    QCOMPARE(exchange(*connection, kFirmwareRequest), good.left(3));
    instrument.setRecordingFaultFrame(0);
}

void TestVirtualInstrument::unplugAndReplug()
{
    VirtualInstrument instrument(VirtualInstrument::Family::Meter, kMeterModel);
    VirtualHidBackend backend(&instrument);
    QSignalSpy unpluggedSpy(&instrument, &VirtualInstrument::unplugged);
    QSignalSpy pluggedSpy(&instrument, &VirtualInstrument::plugged);
    const QString firstPath = backend.enumerate(kVid, kPid).value(0).path;
    auto connection = backend.open(firstPath);
    QVERIFY(connection);

    // A reader blocked on an empty queue is released by the unplug, not by its time-out.
    QSemaphore reading;
    int result = 1;
    std::unique_ptr<QThread> reader(QThread::create([&] {
        QByteArray report;
        reading.release();
        result = connection->readReport(report, 120000);
    }));
    reader->start();
    reading.acquire();
    QThread::msleep(50); // let it reach the wait; the result is the same if it has not yet
    instrument.unplug();
    // A missed wake-up would leave it blocked for the full two minutes.
    QVERIFY(reader->wait(30000));
    QCOMPARE(result, -1);
    QCOMPARE(unpluggedSpy.count(), 1);

    QVERIFY(connection->isRemoved());
    QCOMPARE(connection->writeReport(QByteArray(64, '\0'), 1000), -1);
    QByteArray report;
    QCOMPARE(connection->readReport(report, 0), -1);
    QVERIFY(backend.enumerate(kVid, kPid).isEmpty());
    HidBackend::OpenError error = HidBackend::OpenError::None;
    QVERIFY(!backend.open(firstPath, &error));
    QCOMPARE(error, HidBackend::OpenError::NotFound);
    instrument.unplug();
    QCOMPARE(unpluggedSpy.count(), 1);

    // Plugged again: a new device; the old handle and path stay dead.
    instrument.plug();
    QCOMPARE(pluggedSpy.count(), 1);
    QVERIFY(connection->isRemoved());
    QCOMPARE(connection->writeReport(QByteArray(64, '\0'), 1000), -1);
    QVERIFY(!backend.open(firstPath, &error));
    QCOMPARE(error, HidBackend::OpenError::NotFound);
    const QString secondPath = backend.enumerate(kVid, kPid).value(0).path;
    QVERIFY(secondPath != firstPath);

    instrument.setOpenRefused(true);
    QVERIFY(!backend.open(secondPath, &error));
    QCOMPARE(error, HidBackend::OpenError::Busy);
    instrument.setOpenRefused(false, true);
    QVERIFY(!backend.open(secondPath, &error));
    QCOMPARE(error, HidBackend::OpenError::PermissionDenied);
    instrument.setOpenRefused(false);
    connection = backend.open(secondPath, &error);
    QVERIFY(connection);
    QCOMPARE(error, HidBackend::OpenError::None);
    QCOMPARE(exchange(*connection, kFirmwareRequest).size(), 10);

    // Opening drops what an earlier connection left unread.
    QVERIFY(sendPayload(*connection, kFirmwareRequest));
    connection = backend.open(secondPath);
    QVERIFY(connection);
    QVERIFY(drainReports(*connection).isEmpty());

    // After n more input reports: the n-th arrives, then the device is gone.
    instrument.unplugAfterReports(2);
    QVERIFY(sendPayload(*connection, memoryRead(1, 0, 150))); // three reports queued
    QCOMPARE(connection->readReport(report, 0), 64);
    QVERIFY(!connection->isRemoved());
    QCOMPARE(connection->readReport(report, 0), 64);
    QVERIFY(connection->isRemoved());
    QCOMPARE(connection->readReport(report, 0), -1);
    QCOMPARE(unpluggedSpy.count(), 2);

    // The n-th request unplugs instead of being answered; a worker thread triggers it.
    instrument.plug();
    connection = openInstrument(backend);
    QVERIFY(connection);
    instrument.clearRequests();
    instrument.unplugAfterRequests(2);
    QCOMPARE(exchange(*connection, kFirmwareRequest).size(), 10);
    bool sent = false;
    std::unique_ptr<QThread> writer(
        QThread::create([&] { sent = sendPayload(*connection, kFirmwareRequest); }));
    writer->start();
    QVERIFY(writer->wait(30000));
    QVERIFY(sent);
    QVERIFY(!instrument.isPlugged());
    QCOMPARE(connection->readReport(report, 0), -1);
    QCOMPARE(instrument.requests().size(), 2);
    QCOMPARE(unpluggedSpy.count(), 3);

    // No instrument at all.
    backend.setInstrument(nullptr);
    QVERIFY(backend.enumerate(kVid, kPid).isEmpty());
    QVERIFY(!backend.open(QStringLiteral("virtual:1"), &error));
    QCOMPARE(error, HidBackend::OpenError::NotFound);
}

void TestVirtualInstrument::pacing()
{
    VirtualInstrument instrument(VirtualInstrument::Family::Logger, kLoggerModel);
    VirtualHidBackend backend(&instrument);
    auto connection = openInstrument(backend);
    QVERIFY(connection);
    QByteArray report;

    // With a minute between reports the second one is not handed out yet.
    instrument.setReportIntervalMicroseconds(60 * 1000 * 1000);
    QVERIFY(sendPayload(*connection, kFirmwareRequest));
    QVERIFY(sendPayload(*connection, kFirmwareRequest));
    QCOMPARE(connection->readReport(report, 0), 64);
    QCOMPARE(connection->readReport(report, 0), 0);
    QCOMPARE(connection->readReport(report, 20), 0);
    QCOMPARE(instrument.reportsDelivered(), qint64(1));

    // A new connection starts with an empty queue and no backlog.
    connection = openInstrument(backend);
    QVERIFY(connection);
    constexpr int intervalUs = 20000;
    constexpr int reports = 10; // 8 + 600 + 2 bytes in 62-byte reports
    instrument.setReportIntervalMicroseconds(intervalUs);
    QElapsedTimer timer;
    timer.start(); // before the replies are queued, so the bound below is a true lower bound
    QVERIFY(sendPayload(*connection, memoryRead(1, 0, 600)));
    QByteArray payload;
    for (int i = 0; i < reports; ++i) {
        QCOMPARE(connection->readReport(report, 5000), 64);
        payload += payloadOf(report);
    }
    // Ready times are kept in whole microseconds; allow that rounding.
    QVERIFY2(timer.nsecsElapsed() / 1000 >= qint64(reports - 1) * intervalUs - 1,
             qPrintable(QString::number(timer.nsecsElapsed() / 1000)));
    QCOMPARE(payload.size(), 610);
    QVERIFY(frameCrcOk(payload));
    QCOMPARE(instrument.reportsDelivered(), qint64(1 + reports));

    // Without pacing everything queued is readable at once.
    instrument.setReportIntervalMicroseconds(0);
    QVERIFY(sendPayload(*connection, memoryRead(1, 0, 600)));
    QCOMPARE(drainReports(*connection).size(), reports);

    // A recording paused after its second frame: the third comes that much later.
    instrument.setRecordings(
        {{QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QVector<float>(20, 1.0f)}});
    instrument.setFrameDataSize(40);
    instrument.setRecordingPause(2, 100);
    timer.start();
    QVERIFY(sendPayload(*connection, memoryRead(2, 0x180, 0x40)));
    payload.clear();
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(connection->readReport(report, 5000), 64);
        payload += payloadOf(report);
        QVERIFY(i < 2 || timer.elapsed() >= 100);
    }
    QCOMPARE(payload.size(), 50 + 50 + 16 + 10);
}

void TestVirtualInstrument::inputBuffer()
{
    VirtualInstrument instrument(VirtualInstrument::Family::Meter, kMeterModel);
    VirtualHidBackend backend(&instrument);
    auto connection = openInstrument(backend);
    QVERIFY(connection);
    const QByteArray request = memoryRead(1, 0, 2400); // 2410 bytes: 39 reports
    const QByteArray reply = exchange(*connection, request);
    QCOMPARE(reply.size(), 2410);
    QCOMPARE(instrument.reportsDropped(), qint64(0));

    // Unread, the buffer keeps the first 64 reports; the newer ones are lost.
    QVERIFY(sendPayload(*connection, request) && sendPayload(*connection, request));
    QCOMPARE(payloadOf(drainReports(*connection)), reply + reply.left(25 * 62));
    QCOMPARE(instrument.reportsDropped(), qint64(2 * 39 - VirtualInstrument::InputBufferReports));
    // Emptied, it takes reports again.
    QCOMPARE(exchange(*connection, request), reply);

    // Paced, a reader that keeps up loses nothing; one that sleeps through them loses the tail.
    instrument.setReportIntervalMicroseconds(1000);
    const qint64 dropped = instrument.reportsDropped();
    QVERIFY(sendPayload(*connection, request) && sendPayload(*connection, request));
    QByteArray payload;
    QByteArray report;
    while (payload.size() < 2 * reply.size() && connection->readReport(report, 1000) > 0)
        payload += payloadOf(report);
    QCOMPARE(payload, reply + reply);
    QCOMPARE(instrument.reportsDropped(), dropped);
    QVERIFY(sendPayload(*connection, request) && sendPayload(*connection, request));
    QTest::qSleep(200); // 78 ms of reports
    QCOMPARE(payloadOf(drainReports(*connection)), reply + reply.left(25 * 62));
    QCOMPARE(instrument.reportsDropped(), dropped + 14);

    // A new connection starts with an empty buffer.
    QVERIFY(sendPayload(*connection, request));
    QTest::qSleep(60);
    connection = openInstrument(backend);
    QVERIFY(connection);
    QVERIFY(drainReports(*connection).isEmpty());
}

QTEST_GUILESS_MAIN(TestVirtualInstrument)
#include "tst_virtualinstrument.moc"
