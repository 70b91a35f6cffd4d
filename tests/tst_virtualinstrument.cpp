// The virtual instrument seen from the host side: whole HID reports through the virtual
// backend, request frames built by hand.

#include "bytes.h"
#include "crc16.h"
#include "frames.h"
#include "hidconnection.h"
#include "hidhost.h"
#include "virtualhidbackend.h"
#include "virtualinstrument.h"

#include <QElapsedTimer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <memory>

namespace {

using Family = VirtualInstrument::Family;
constexpr quint32 kLoggerModel = 5633416;
constexpr quint32 kMeterModel = 7001297;
constexpr quint16 kVid = HidHost::VendorId;
constexpr quint16 kPid = HidHost::ProductId;

const auto of = Bytes::of;
const auto withCrc = Bytes::withCrc;
const auto crcOk = Bytes::crcOk;
const auto le16 = Bytes::le16;
const auto block = Frames::block;
const auto memoryRead = Frames::memoryRead;
const auto registerFrame = Frames::registerFrame;
const QByteArray kFirmwareRequest = Frames::registerRead(0x1C, 2);
const QByteArray kFirmwareReply = registerFrame(0x20, 0x1C, of({23, 0}));
// The instrument's notice that the probe came or went.
QByteArray probeNotice(bool connected)
{
    return registerFrame(0x22, 0x0D, of({connected, 0}));
}

// An instrument, its backend and an open connection to it.
struct Wire {
    explicit Wire(Family family)
        : instrument(family, family == Family::Meter ? kMeterModel : kLoggerModel),
          backend(&instrument), connection(HidHost::open(backend))
    {
    }
    bool send(const QByteArray &payload) { return HidHost(*connection).send(payload); }
    // Replies are queued while the request is written, so without pacing everything the
    // instrument has to say is readable at once.
    QList<QByteArray> drain() { return HidHost(*connection).drain(); }
    QByteArray exchange(const QByteArray &request)
    {
        return HidHost(*connection).exchange(request);
    }
    QByteArray payload() { return HidHost::payloadOf(drain()); }
    // The data block at `address`, `length` bytes with its CRC.
    QByteArray blockAt(int bank, quint32 address, int length)
    {
        return exchange(memoryRead(bank, address, length)).mid(8, length);
    }
    void reopen() { connection = HidHost::open(backend); }

    VirtualInstrument instrument;
    VirtualHidBackend backend;
    std::unique_ptr<HidConnection> connection;
};

struct BlockRow {
    int bank;
    quint32 address;
    QByteArray data;
};

} // namespace

class TestVirtualInstrument : public QObject
{
    Q_OBJECT

private slots:
    void identityBlocks()
    {
        Wire m(Family::Meter);
        QVERIFY(m.backend.enumerate(0x1234, kPid).isEmpty());
        const QList<HidDeviceInfo> devices = m.backend.enumerate(kVid, kPid);
        QCOMPARE(devices.size(), 1);
        QCOMPARE(devices.first().serial, QStringLiteral("19120001"));
        QCOMPARE(devices.first().vendorId, kVid);
        QCOMPARE(devices.first().productId, kPid);
        m.connection = m.backend.open(devices.first().path);
        QVERIFY(m.connection);
        QCOMPARE(m.connection->serialNumber(), QStringLiteral("19120001"));
        QVERIFY(!m.connection->isRemoved());

        // Defaults: every block valid.
        QByteArray reply = m.exchange(memoryRead(7, 0x00, 0x14));
        QCOMPARE(reply.size(), 30);
        QCOMPARE(reply.left(8), of({0xAB, 0x47, 0, 0, 0, 0, 0x14, 0}));
        QVERIFY(crcOk(reply));
        QCOMPARE(reply.mid(8, 20), block(reply.mid(8, 18)));
        QCOMPARE(Bytes::le32(reply, 8 + 6), 19120001u);
        QCOMPARE(Bytes::le32(reply, 8 + 10), kMeterModel);
        const BlockRow defaults[] = {{7, 0x24, of({0xE8, 0x07, 1, 20})},
                                     {7, 0x60, of({0, 10, 0, 0})},
                                     {1, 0x80, of({0, 10, 0, 0})},
                                     {1, 0xE0, of({0, 0})}};
        for (const BlockRow &b : defaults)
            QCOMPARE(m.blockAt(b.bank, b.address, int(b.data.size()) + 2), block(b.data));
        QCOMPARE(m.exchange(kFirmwareRequest), kFirmwareReply);

        // Setters rewrite the blocks with a valid CRC.
        VirtualInstrument &vi = m.instrument;
        vi.setSerialNumber(0x01020304);
        vi.setModelCode(0xA1B2C3D4);
        vi.setProductionDate(2019, 12, 31);
        vi.setCopiedBytes(0x5A, 0xBEEF, 0x11, 0x22);
        vi.setCalibrationDate(2025, 2, 3);
        vi.setFirmwareVersion(0x0135);
        vi.setHostSettings(1, 2, 3, 4);
        vi.setMeasureSettings(5, 6, 7, 8);
        vi.setGroupCount(7);
        const QByteArray record = of({0x5A, 0x00, 0xE3, 0x07, 12, 31, 0x04, 0x03, 0x02, 0x01, 0xD4,
                                      0xC3, 0xB2, 0xA1, 0xEF, 0xBE, 0x11, 0x22});
        QCOMPARE(vi.memory(7, 0, 20), block(record));
        const BlockRow written[] = {{7, 0x00, record},
                                    {7, 0x24, of({0xE9, 0x07, 2, 3})},
                                    {1, 0x80, of({1, 2, 3, 4})},
                                    {7, 0x60, of({5, 6, 7, 8})},
                                    {1, 0xE0, of({7, 0})}};
        for (const BlockRow &b : written)
            QCOMPARE(m.blockAt(b.bank, b.address, int(b.data.size()) + 2), block(b.data));
        QCOMPARE(m.exchange(kFirmwareRequest).mid(6, 2), of({0x35, 0x01}));

        // The USB serial follows the serial number until it is set on its own.
        QCOMPARE(vi.usbSerial(), QString::number(0x01020304));
        vi.setUsbSerial(QStringLiteral("ABC"));
        vi.setSerialNumber(42);
        QCOMPARE(vi.usbSerial(), QStringLiteral("ABC"));

        // A corrupted block fails in both CRC bytes (the group count check accepts either one).
        vi.corruptBlock(1, 0xE0, 2);
        reply = m.exchange(memoryRead(1, 0xE0, 4));
        QVERIFY(crcOk(reply));
        const quint16 expected = Crc16::modbus(reply, 8, 2);
        QVERIFY(static_cast<quint8>(reply.at(10)) != (expected & 0xFF));
        QVERIFY(static_cast<quint8>(reply.at(11)) != (expected >> 8));
        QCOMPARE(reply.at(8), char(7));

        // writeBlock / setMemory / memory agree.
        vi.writeBlock(1, 0x100, of({9, 8, 7}));
        QCOMPARE(vi.memory(1, 0x100, 5), block(of({9, 8, 7})));
        vi.setMemory(7, 0x200, of({1, 2}));
        QCOMPARE(m.blockAt(7, 0x1FF, 4), of({0, 1, 2, 0}));
    }
    void memoryWritesAndRequestStream()
    {
        Wire w(Family::Logger);
        QVERIFY(w.connection);
        VirtualInstrument &vi = w.instrument;

        // Host and measure settings written as the host does, block CRC included.
        const QByteArray hostWrite = Frames::memoryWrite(1, 0x80, block(of({1, 30, 2, 0})));
        QCOMPARE(hostWrite.size(), 16);
        QCOMPARE(w.exchange(hostWrite), withCrc(hostWrite.left(8)));
        QCOMPARE(vi.memory(1, 0x80, 6), block(of({1, 30, 2, 0})));
        QCOMPARE(w.blockAt(1, 0x80, 6), block(of({1, 30, 2, 0})));
        QCOMPARE(w.exchange(Frames::memoryWrite(7, 0x60, block(of({0, 10, 2, 3})))).size(), 10);
        QCOMPARE(w.blockAt(7, 0x60, 6), block(of({0, 10, 2, 3})));

        // A write stored as sent, even with a wrong block CRC.
        QCOMPARE(w.exchange(Frames::memoryWrite(1, 0x80, of({1, 2, 3, 4, 0, 0}))).size(), 10);
        QCOMPARE(vi.memory(1, 0x80, 6), of({1, 2, 3, 4, 0, 0}));

        // A frame spanning several reports, and a long reply spanning several reports.
        QByteArray big;
        for (int i = 0; i < 150; ++i)
            big.append(static_cast<char>(i * 7));
        vi.clearRequests();
        QCOMPARE(w.exchange(Frames::memoryWrite(1, 0x300, big)).size(), 10);
        QCOMPARE(vi.memory(1, 0x300, 150), big);
        QVERIFY(w.send(memoryRead(1, 0x300, 150)));
        const QList<QByteArray> reports = w.drain();
        QCOMPARE(reports.size(), 3); // 160 bytes: 62 + 62 + 36
        for (const QByteArray &report : reports)
            QCOMPARE(report.size(), 64);
        QCOMPARE(HidHost::payloadOf(reports.last()).size(), 36);
        QCOMPARE(HidHost::payloadOf(reports).mid(8, 150), big);
        // The log holds the exact frames, CRC included.
        QCOMPARE(vi.requests(), (QList<QByteArray>{Frames::memoryWrite(1, 0x300, big),
                                                   memoryRead(1, 0x300, 150)}));

        // Resynchronising: junk, an unknown command and a damaged frame get no answer; the good
        // frame after them does, and only it is logged.
        vi.clearRequests();
        QByteArray damaged = kFirmwareRequest;
        damaged[damaged.size() - 1] = static_cast<char>(damaged.back() ^ 0x01);
        QCOMPARE(w.exchange(of({0x00, 0x13, 0xAB, 0x99}) + damaged + kFirmwareRequest),
                 kFirmwareReply);
        QCOMPARE(vi.requests(), QList<QByteArray>{kFirmwareRequest});

        // A frame trickled in byte by byte is answered once it is complete.
        const QByteArray read = memoryRead(1, 0xE0, 4);
        for (int i = 0; i < read.size() - 1; ++i) {
            QVERIFY(w.send(read.mid(i, 1)));
            QVERIFY(w.drain().isEmpty());
        }
        QCOMPARE(w.exchange(read.right(1)).size(), 14);

        // Reports of another identifier carry nothing.
        QCOMPARE(w.connection->writeReport(HidHost::report(0x01, kFirmwareRequest), 1000), 64);
        QVERIFY(w.drain().isEmpty());
        vi.clearRequests();
        QVERIFY(vi.requests().isEmpty());
    }
    void clockRunsOn()
    {
        Wire w(Family::Logger);
        QVERIFY(w.connection);
        const QDateTime set(QDate(2023, 5, 6), QTime(12, 8, 9));
        w.instrument.setClock(set);
        const QByteArray reply = w.exchange(Frames::registerRead(0x61, 6));
        QCOMPARE(reply.size(), 14);
        QCOMPARE(reply.left(6), of({0xAB, 0x20, 0x61, 0x00, 0x06, 0x00}));
        QVERIFY(crcOk(reply));
        const QDateTime read(QDate(2000 + reply.at(6), reply.at(7), reply.at(8)),
                             QTime(reply.at(9), reply.at(10), reply.at(11)));
        QVERIFY(read >= set);
        QVERIFY(read <= w.instrument.clock());
        // The clock moves on by itself, in whole seconds.
        QTRY_VERIFY_WITH_TIMEOUT(w.instrument.clock() >= set.addSecs(1), 3000);
        QCOMPARE(w.instrument.clock().time().msec(), 0);

        // Setting it over the wire.
        const QByteArray write = registerFrame(0x21, 0x21, of({30, 11, 22, 13, 44, 55}));
        QCOMPARE(w.exchange(write), withCrc(write.left(6)));
        const QDateTime written(QDate(2030, 11, 22), QTime(13, 44, 55));
        QVERIFY(w.instrument.clock() >= written);
        QVERIFY(w.instrument.clock() < written.addSecs(3600));
        // An impossible date is acknowledged but leaves the clock alone.
        QCOMPARE(w.exchange(registerFrame(0x21, 0x21, of({24, 13, 40, 0, 0, 0}))).size(), 8);
        QCOMPARE(w.instrument.clock().date(), written.date());
    }
    void meterGroups()
    {
        Wire w(Family::Meter);
        QVERIFY(w.connection);
        const QVector<VirtualInstrument::MeterGroup> groups = {
            {1.5f, 2.5f, 0.5f, 1.25f, 100.0f, 60.0f},
            {-3.0f, 1e6f, 1e-3f, 7.75f, 0.0f, 3600.0f},
            {10.0f, 20.0f, 30.0f, 40.0f, 50.0f, 60.0f},
        };
        w.instrument.setMeterGroups(groups);
        QCOMPARE(w.blockAt(1, 0xE0, 4), block(of({3, 0})));
        for (int i = 0; i < groups.size(); ++i) {
            const quint32 address = 0xF0 + 24 * i;
            const QByteArray reply = w.exchange(memoryRead(2, address, 0x40));
            QCOMPARE(reply.size(), 34);
            QCOMPARE(reply.left(8), Frames::header(0x42, address, 0x18));
            QVERIFY(crcOk(reply));
            for (int k = 0; k < 6; ++k)
                QCOMPARE(Bytes::leFloat(reply, 8 + 4 * k), groups.at(i).at(k));
        }

        // Fewer groups afterwards: the old third group is gone from memory.
        w.instrument.setMeterGroups({groups.at(1)});
        QCOMPARE(w.exchange(memoryRead(1, 0xE0, 4)).at(8), char(1));
        QCOMPARE(w.blockAt(2, 0xF0, 4), Bytes::floatBytes(-3.0f));
        QCOMPARE(w.blockAt(2, 0xF0 + 48, 24), QByteArray(24, '\0'));

        // Any other address: a 34-byte frame of what memory holds there.
        w.instrument.setMemory(2, 0x500, Bytes::floatBytes(9.0f));
        const QByteArray reply = w.exchange(memoryRead(2, 0x500, 0x40));
        QCOMPARE(reply.size(), 34);
        QCOMPARE(Bytes::leFloat(reply, 8), 9.0f);
    }
    void loggerRecordings()
    {
        Wire w(Family::Logger);
        QVERIFY(w.connection);
        VirtualInstrument::Recording first{QDateTime(QDate(2024, 3, 4), QTime(5, 6, 7)), {}};
        for (int i = 0; i < 30; ++i)
            first.samples.append(0.5f * i);
        VirtualInstrument::Recording second{QDateTime(QDate(2025, 12, 31), QTime(23, 59, 58)), {}};
        for (int i = 0; i < 700; ++i)
            second.samples.append(1000.0f - i);
        w.instrument.setRecordings({first, second});
        w.instrument.setFrameDataSize(40);
        QCOMPARE(w.blockAt(1, 0xE0, 4), block(of({2, 0})));

        struct Frame {
            QByteArray bytes;
            int reports;
        };
        // Reads one group: every frame must start a report of its own.
        auto readGroup = [&](quint32 address) {
            QList<Frame> frames;
            const QList<QByteArray> reports =
                w.send(memoryRead(2, address, 0x40)) ? w.drain() : QList<QByteArray>();
            for (int r = 0; r < reports.size();) {
                QByteArray frame = HidHost::payloadOf(reports.at(r));
                int used = 1;
                if (frame.size() < 8 || frame.at(0) != char(0xAB) || frame.at(1) != char(0x42))
                    return QList<Frame>();
                const int total = le16(frame, 6) + 10;
                while (frame.size() < total && r + used < reports.size())
                    frame += HidHost::payloadOf(reports.at(r + used++));
                if (frame.size() != total)
                    return QList<Frame>();
                frames.append({frame, used});
                r += used;
            }
            return frames;
        };

        const std::pair<quint32, const VirtualInstrument::Recording *> groups[] = {
            {0x180, &first}, {0x180 + 0x980, &second}};
        for (const auto &[address, recording] : groups) {
            const QList<Frame> frames = readGroup(address);
            QVERIFY(frames.size() >= 2);
            QByteArray data;
            for (int f = 0; f < frames.size(); ++f) {
                const QByteArray &frame = frames.at(f).bytes;
                QVERIFY(crcOk(frame));
                const int length = le16(frame, 6);
                QVERIFY(length <= 40);
                QCOMPARE(length == 0, f == frames.size() - 1); // only the last frame ends the group
                data += frame.mid(8, length);
            }
            const QDateTime start = recording->start;
            QCOMPARE(data.left(6),
                     of({start.date().year() - 2000, start.date().month(), start.date().day(),
                         start.time().hour(), start.time().minute(), start.time().second()}));
            const int samples = int(std::min<qsizetype>(recording->samples.size(), 606));
            QCOMPARE(data.size(), 6 + 4 * samples);
            for (int i = 0; i < samples; ++i)
                QCOMPARE(Bytes::leFloat(data, 6 + 4 * i), recording->samples.at(i));
        }

        // A larger frame size spans two reports per frame; each frame still starts a report.
        w.instrument.setFrameDataSize(100);
        QList<Frame> frames = readGroup(0x180); // 126 bytes: 100 + 26, then the end frame
        QCOMPARE(frames.size(), 3);
        QCOMPARE(frames.at(0).reports, 2);
        QCOMPARE(le16(frames.at(1).bytes, 6), 26);

        // No recording there: only the end frame.
        for (quint32 address : {quint32(0x180 + 2 * 0x980), quint32(0x181), quint32(0x10)}) {
            const QByteArray reply = w.exchange(memoryRead(2, address, 0x40));
            QCOMPARE(reply.size(), 10);
            QCOMPARE(le16(reply, 6), 0);
            QVERIFY(crcOk(reply));
        }

        // Stopping mid-group: n data frames and no end frame, until reset.
        w.instrument.setFrameDataSize(40);
        w.instrument.setLoggerStopAfterFrames(2);
        for (int round = 0; round < 2; ++round) {
            frames = readGroup(0x180 + 0x980);
            QCOMPARE(frames.size(), 2);
            QCOMPARE(le16(frames.at(1).bytes, 6), 40);
        }
        // More than the group holds: every data frame, still no end frame.
        w.instrument.setLoggerStopAfterFrames(10);
        frames = readGroup(0x180); // 126 bytes in 40-byte frames
        QCOMPARE(frames.size(), 4);
        QVERIFY(le16(frames.last().bytes, 6) != 0);
        w.instrument.setLoggerStopAfterFrames(-1);
        frames = readGroup(0x180);
        QVERIFY(!frames.isEmpty());
        QCOMPARE(le16(frames.last().bytes, 6), 0);
    }
    void probeNotificationAndErrorReply()
    {
        // Changes made before a connection opens are not seen by it.
        Wire w(Family::Meter);
        w.instrument.setProbeConnected(false);
        w.instrument.setProbeConnected(true);
        w.reopen();
        QVERIFY(w.connection);
        QVERIFY(w.drain().isEmpty());

        w.instrument.setProbeConnected(false);
        QVERIFY(!w.instrument.probeConnected());
        QCOMPARE(w.payload(), probeNotice(false));
        w.instrument.setProbeConnected(false); // no change, no notification
        QVERIFY(w.drain().isEmpty());

        // Every request gets the error reply, and a write does not happen.
        const QByteArray errorReply = withCrc(of({0xAB, 0xC7, 0x08}));
        const QByteArray before = w.instrument.memory(1, 0x80, 6);
        for (const QByteArray &request :
             {kFirmwareRequest, Frames::registerRead(0x61, 6), memoryRead(2, 0xF0, 0x40),
              Frames::memoryWrite(1, 0x80, block(of({9, 9, 9, 9})))})
            QCOMPARE(w.exchange(request), errorReply);
        QCOMPARE(w.instrument.memory(1, 0x80, 6), before);
        QCOMPARE(w.instrument.requests().size(), 4);

        w.instrument.setProbeConnected(true);
        QCOMPARE(w.payload(), probeNotice(true));
        QCOMPARE(w.exchange(Frames::registerRead(0x0D, 2)), registerFrame(0x20, 0x0D, of({1, 0})));
        QCOMPARE(w.exchange(kFirmwareRequest).size(), 10);

        // Raw unsolicited bytes go out as they are.
        w.instrument.sendUnsolicited(of({1, 2, 3}));
        QCOMPARE(w.payload(), of({1, 2, 3}));
    }
    void faults()
    {
        using Fault = VirtualInstrument::Fault;
        Wire w(Family::Logger);
        QVERIFY(w.connection);
        const QByteArray good = w.exchange(kFirmwareRequest);
        QCOMPARE(good.size(), 10);
        auto faulted = [&](Fault fault, int arg = 0, const QByteArray &data = QByteArray()) {
            w.instrument.injectFault(fault, arg, data);
            return w.send(kFirmwareRequest) ? w.drain() : QList<QByteArray>();
        };
        const auto payloadOf = [](const auto &reports) { return HidHost::payloadOf(reports); };

        QByteArray reply = payloadOf(faulted(Fault::BadFrameCrc));
        QCOMPARE(reply.size(), 10);
        QCOMPARE(reply.left(9), good.left(9));
        QVERIFY(reply.at(9) != good.at(9));
        QVERIFY(!crcOk(reply));

        reply = payloadOf(faulted(Fault::WrongEcho));
        QCOMPARE(reply.size(), 10);
        QVERIFY(crcOk(reply));
        for (int at : {1, 2, 4, 6})
            QVERIFY(reply.at(at) != good.at(at));
        QCOMPARE(reply.at(0), good.at(0));

        QVERIFY(faulted(Fault::NoReply).isEmpty());
        QCOMPARE(w.exchange(kFirmwareRequest), good); // the fault was used up

        QList<QByteArray> reports;
        for (int cut : {1, 3, 9}) {
            reports = faulted(Fault::SplitReply, cut);
            QCOMPARE(reports.size(), 2);
            QCOMPARE(payloadOf(reports.at(0)), good.left(cut));
            QCOMPARE(payloadOf(reports.at(1)), good.mid(cut));
        }
        const QByteArray garbage = of({0x00, 0xAB, 0x13});
        reports = faulted(Fault::GarbageBefore, 0, garbage);
        QCOMPARE(reports.size(), 1);
        QCOMPARE(payloadOf(reports.first()), garbage + good);
        reports = faulted(Fault::ForeignReport, 0x01);
        QCOMPARE(reports.size(), 2);
        QCOMPARE(reports.at(0).at(0), char(0x01));
        QCOMPARE(reports.at(0).size(), 64);
        QCOMPARE(payloadOf(reports.at(1)), good);
        const QByteArray second = probeNotice(true);
        reports = faulted(Fault::SecondFrame, 0, second);
        QCOMPARE(reports.size(), 1);
        QCOMPARE(payloadOf(reports.first()), good + second);
        QCOMPARE(payloadOf(faulted(Fault::ShortReply, 4)), good.left(4));

        // Queued faults take consecutive replies in order; clearFaults drops the rest.
        w.instrument.injectFault(Fault::ShortReply, 2);
        w.instrument.injectFault(Fault::ShortReply, 5);
        w.instrument.injectFault(Fault::NoReply);
        QCOMPARE(w.exchange(kFirmwareRequest), good.left(2));
        QCOMPARE(w.exchange(kFirmwareRequest), good.left(5));
        w.instrument.clearFaults();
        QCOMPARE(w.exchange(kFirmwareRequest), good);

        // A long reply split inside its second report.
        const QByteArray longGood = w.exchange(memoryRead(1, 0x00, 100));
        QCOMPARE(longGood.size(), 110);
        w.instrument.injectFault(Fault::SplitReply, 70);
        QVERIFY(w.send(memoryRead(1, 0x00, 100)));
        reports = w.drain();
        QCOMPARE(reports.size(), 3);
        QCOMPARE(payloadOf(reports.at(1)).size(), 8);
        QCOMPARE(payloadOf(reports), longGood);

        // In a recording only the first frame takes the fault.
        w.instrument.setRecordings(
            {{QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QVector<float>(20, 1.0f)}});
        w.instrument.setFrameDataSize(40);
        const QByteArray group = w.exchange(memoryRead(2, 0x180, 0x40));
        QCOMPARE(group.size(), 50 + 50 + 16 + 10); // 86 data bytes: 40 + 40 + 6, then the end frame
        w.instrument.injectFault(Fault::ShortReply, 20);
        w.instrument.injectFault(Fault::ShortReply, 3);
        QCOMPARE(w.exchange(memoryRead(2, 0x180, 0x40)), group.left(20) + group.mid(50));
        QCOMPARE(w.exchange(kFirmwareRequest), good.left(3));
        // Or a later frame: the second, or the end frame; other replies take it as before.
        struct Target {
            int frame;
            qsizetype at, size;
        };
        for (const Target &t : {Target{1, 50, 50}, Target{3, 116, 10}}) {
            w.instrument.setRecordingFaultFrame(t.frame);
            w.instrument.injectFault(Fault::ShortReply, 4);
            QCOMPARE(w.exchange(memoryRead(2, 0x180, 0x40)),
                     group.left(t.at) + group.mid(t.at, 4) + group.mid(t.at + t.size));
        }
        w.instrument.injectFault(Fault::ShortReply, 3);
        QCOMPARE(w.exchange(kFirmwareRequest), good.left(3));
        w.instrument.setRecordingFaultFrame(0);
    }
    void unplugAndReplug()
    {
        Wire w(Family::Meter);
        VirtualInstrument &vi = w.instrument;
        QSignalSpy unpluggedSpy(&vi, &VirtualInstrument::unplugged);
        QSignalSpy pluggedSpy(&vi, &VirtualInstrument::plugged);
        const QString firstPath = w.backend.enumerate(kVid, kPid).value(0).path;
        w.connection = w.backend.open(firstPath);
        QVERIFY(w.connection);

        // A reader blocked on an empty queue is released by the unplug, not by its time-out.
        QSemaphore reading;
        int result = 1;
        std::unique_ptr<QThread> reader(QThread::create([&] {
            QByteArray report;
            reading.release();
            result = w.connection->readReport(report, 120000);
        }));
        reader->start();
        reading.acquire();
        QThread::msleep(50); // a head start into the wait; the result is the same without it
        vi.unplug();
        // A missed wake-up would leave it blocked for the full two minutes.
        QVERIFY(reader->wait(30000));
        QCOMPARE(result, -1);
        QCOMPARE(unpluggedSpy.count(), 1);

        QByteArray report;
        HidBackend::OpenError error = HidBackend::OpenError::None;
        auto refuses = [&](const QString &path, HidBackend::OpenError why) {
            return !w.backend.open(path, &error) && error == why;
        };
        QVERIFY(w.connection->isRemoved());
        QCOMPARE(w.connection->writeReport(QByteArray(64, '\0'), 1000), -1);
        QCOMPARE(w.connection->readReport(report, 0), -1);
        QVERIFY(w.backend.enumerate(kVid, kPid).isEmpty());
        QVERIFY(refuses(firstPath, HidBackend::OpenError::NotFound));
        vi.unplug();
        QCOMPARE(unpluggedSpy.count(), 1);

        // Plugged again: a new device; the old handle and path stay dead.
        vi.plug();
        QCOMPARE(pluggedSpy.count(), 1);
        QVERIFY(w.connection->isRemoved());
        QCOMPARE(w.connection->writeReport(QByteArray(64, '\0'), 1000), -1);
        QVERIFY(refuses(firstPath, HidBackend::OpenError::NotFound));
        const QString secondPath = w.backend.enumerate(kVid, kPid).value(0).path;
        QVERIFY(secondPath != firstPath);
        vi.setOpenRefused(true);
        QVERIFY(refuses(secondPath, HidBackend::OpenError::Busy));
        vi.setOpenRefused(false, true);
        QVERIFY(refuses(secondPath, HidBackend::OpenError::PermissionDenied));
        vi.setOpenRefused(false);
        w.connection = w.backend.open(secondPath, &error);
        QVERIFY(w.connection);
        QCOMPARE(error, HidBackend::OpenError::None);
        QCOMPARE(w.exchange(kFirmwareRequest).size(), 10);

        // Opening drops what an earlier connection left unread.
        QVERIFY(w.send(kFirmwareRequest));
        w.connection = w.backend.open(secondPath);
        QVERIFY(w.connection);
        QVERIFY(w.drain().isEmpty());

        // After n more input reports: the n-th arrives, then the device is gone.
        vi.unplugAfterReports(2);
        QVERIFY(w.send(memoryRead(1, 0, 150))); // three reports queued
        QCOMPARE(w.connection->readReport(report, 0), 64);
        QVERIFY(!w.connection->isRemoved());
        QCOMPARE(w.connection->readReport(report, 0), 64);
        QVERIFY(w.connection->isRemoved());
        QCOMPARE(w.connection->readReport(report, 0), -1);
        QCOMPARE(unpluggedSpy.count(), 2);

        // The n-th request unplugs instead of being answered; a worker thread triggers it.
        vi.plug();
        w.reopen();
        QVERIFY(w.connection);
        vi.clearRequests();
        vi.unplugAfterRequests(2);
        QCOMPARE(w.exchange(kFirmwareRequest).size(), 10);
        bool sent = false;
        std::unique_ptr<QThread> writer(QThread::create([&] { sent = w.send(kFirmwareRequest); }));
        writer->start();
        QVERIFY(writer->wait(30000));
        QVERIFY(sent);
        QVERIFY(!vi.isPlugged());
        QCOMPARE(w.connection->readReport(report, 0), -1);
        QCOMPARE(vi.requests().size(), 2);
        QCOMPARE(unpluggedSpy.count(), 3);

        // No instrument at all.
        w.backend.setInstrument(nullptr);
        QVERIFY(w.backend.enumerate(kVid, kPid).isEmpty());
        QVERIFY(refuses(QStringLiteral("virtual:1"), HidBackend::OpenError::NotFound));
    }
    void pacing()
    {
        Wire w(Family::Logger);
        QVERIFY(w.connection);
        QByteArray report;
        // Reads `count` paced reports, `check` after each; their payload.
        auto readPaced = [&](int count, const std::function<bool(int)> &check) {
            QByteArray payload;
            for (int i = 0; i < count; ++i) {
                if (w.connection->readReport(report, 5000) != 64 || !check(i))
                    return QByteArray("read failed");
                payload += HidHost::payloadOf(report);
            }
            return payload;
        };

        // With a minute between reports the second one is not handed out yet.
        w.instrument.setReportIntervalMicroseconds(60 * 1000 * 1000);
        QVERIFY(w.send(kFirmwareRequest));
        QVERIFY(w.send(kFirmwareRequest));
        QCOMPARE(w.connection->readReport(report, 0), 64);
        QCOMPARE(w.connection->readReport(report, 0), 0);
        QCOMPARE(w.connection->readReport(report, 20), 0);
        QCOMPARE(w.instrument.reportsDelivered(), qint64(1));

        // A new connection starts with an empty queue and no backlog.
        w.reopen();
        QVERIFY(w.connection);
        constexpr int intervalUs = 20000;
        constexpr int reports = 10; // 8 + 600 + 2 bytes in 62-byte reports
        w.instrument.setReportIntervalMicroseconds(intervalUs);
        QElapsedTimer timer;
        timer.start(); // before the replies are queued, so the bound below is a true lower bound
        QVERIFY(w.send(memoryRead(1, 0, 600)));
        QByteArray payload = readPaced(reports, [](int) { return true; });
        // Ready times are kept in whole microseconds; allow that rounding.
        QVERIFY2(timer.nsecsElapsed() / 1000 >= qint64(reports - 1) * intervalUs - 1,
                 qPrintable(QString::number(timer.nsecsElapsed() / 1000)));
        QCOMPARE(payload.size(), 610);
        QVERIFY(crcOk(payload));
        QCOMPARE(w.instrument.reportsDelivered(), qint64(1 + reports));

        // Without pacing everything queued is readable at once.
        w.instrument.setReportIntervalMicroseconds(0);
        QVERIFY(w.send(memoryRead(1, 0, 600)));
        QCOMPARE(w.drain().size(), reports);

        // A recording paused after its second frame: the third comes that much later.
        w.instrument.setRecordings(
            {{QDateTime(QDate(2024, 1, 1), QTime(0, 0)), QVector<float>(20, 1.0f)}});
        w.instrument.setFrameDataSize(40);
        w.instrument.setRecordingPause(2, 100);
        timer.start();
        QVERIFY(w.send(memoryRead(2, 0x180, 0x40)));
        payload = readPaced(4, [&](int i) { return i < 2 || timer.elapsed() >= 100; });
        QCOMPARE(payload.size(), 50 + 50 + 16 + 10);
    }
    void inputBuffer()
    {
        Wire w(Family::Meter);
        QVERIFY(w.connection);
        const QByteArray request = memoryRead(1, 0, 2400); // 2410 bytes: 39 reports
        const QByteArray reply = w.exchange(request);
        QCOMPARE(reply.size(), 2410);
        QCOMPARE(w.instrument.reportsDropped(), qint64(0));

        // Unread, the buffer keeps the first 64 reports; the newer ones are lost.
        QVERIFY(w.send(request) && w.send(request));
        QCOMPARE(w.payload(), reply + reply.left(25 * 62));
        QCOMPARE(w.instrument.reportsDropped(),
                 qint64(2 * 39 - VirtualInstrument::InputBufferReports));
        // Emptied, it takes reports again.
        QCOMPARE(w.exchange(request), reply);

        // Paced, a reader that keeps up loses nothing; one that sleeps through them loses the tail.
        w.instrument.setReportIntervalMicroseconds(1000);
        const qint64 dropped = w.instrument.reportsDropped();
        QVERIFY(w.send(request) && w.send(request));
        QByteArray payload;
        QByteArray report;
        while (payload.size() < 2 * reply.size() && w.connection->readReport(report, 1000) > 0)
            payload += HidHost::payloadOf(report);
        QCOMPARE(payload, reply + reply);
        QCOMPARE(w.instrument.reportsDropped(), dropped);
        QVERIFY(w.send(request) && w.send(request));
        // Time for all 78 ms of reports to arrive unread; only a read sorts them in.
        QTest::qSleep(200);
        QCOMPARE(w.payload(), reply + reply.left(25 * 62));
        QCOMPARE(w.instrument.reportsDropped(), dropped + 14);

        // A new connection starts with an empty buffer.
        QVERIFY(w.send(request));
        QTest::qSleep(60); // some of them arrived at the old connection
        w.reopen();
        QVERIFY(w.connection);
        QVERIFY(w.drain().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestVirtualInstrument)
#include "tst_virtualinstrument.moc"
