// The device link end to end: protocol operations through the link's frame exchange,
// the link and the HID transport, against the virtual instrument.
#include "bytes.h"
#include "clinkerusb.h"
#include "crc16.h"
#include "hidconnection.h"
#include "hidhost.h"
#include "instrumentprotocol.h"
#include "libhiddevice.h"
#include "linkexchange.h"
#include "mythread.h"
#include "pauselock.h"
#include "pollingworkercontrol.h"
#include "promptrecorder.h"
#include "virtualhidbackend.h"
#include "virtualinstrument.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QSignalSpy>
#include <QtTest>
#include <deque>
#include <functional>

namespace {

using P = InstrumentProtocol;
using Fault = VirtualInstrument::Fault;
using Trouble = LinkExchange::Trouble;
using Troubles = QList<Trouble>;
using Ints = QList<int>;

constexpr quint16 kVid = HidHost::VendorId;
constexpr quint16 kPid = HidHost::ProductId;
const auto hex = Bytes::hex;
const auto withCrc = Bytes::withCrc;
const QByteArray kProbeOn = withCrc(hex("AB 22 0D 00 02 00 01 00"));

// Everything the worker handed on from chunk `from`, in order.
QByteArray delivered(const QSignalSpy &spy, qsizetype from = 0)
{
    QByteArray all;
    for (qsizetype i = from; i < spy.size(); ++i)
        all += spy.at(i).at(0).toByteArray();
    return all;
}

// A scripted HID device: records output reports, serves queued input reports.
class ScriptedConnection : public HidConnection
{
public:
    QList<QByteArray> written;
    std::deque<QByteArray> input;
    int readCalls = 0;
    bool removed = false;

    int writeReport(const QByteArray &report, int) override
    {
        if (!removed)
            written.append(report);
        return removed ? -1 : static_cast<int>(report.size());
    }
    int readReport(QByteArray &report, int) override
    {
        ++readCalls;
        if (removed || input.empty())
            return removed ? -1 : 0;
        report = input.front();
        input.pop_front();
        return static_cast<int>(report.size());
    }
    bool isRemoved() const override { return removed; }
    QString serialNumber() const override { return QStringLiteral("S"); }
};

// The current backend while it lives: offers `devices`, opens scripted connections.
class ScriptedBackend : public HidBackend
{
public:
    QList<HidDeviceInfo> devices;
    QStringList opened;
    ScriptedConnection *last = nullptr;

    explicit ScriptedBackend(QList<HidDeviceInfo> list = {})
        : devices(std::move(list)), m_previous(HidBackend::current())
    {
        HidBackend::setCurrent(this);
    }
    ~ScriptedBackend() override { HidBackend::setCurrent(m_previous); }

    QList<HidDeviceInfo> enumerate(quint16, quint16) override { return devices; }
    std::unique_ptr<HidConnection> open(const QString &path, OpenError *error) override
    {
        opened.append(path);
        if (error)
            *error = OpenError::None;
        auto connection = std::make_unique<ScriptedConnection>();
        last = connection.get();
        return connection;
    }

private:
    HidBackend *m_previous;
};

HidDeviceInfo deviceAt(const char *path, const char *serial, int interface = 0, quint16 vid = kVid)
{
    return {QString::fromLatin1(path), QString::fromLatin1(serial), interface, vid, kPid};
}

QByteArray inputReport(const QByteArray &payload, quint8 id = 0x3F)
{
    QByteArray report(64, '\0');
    report[0] = static_cast<char>(id);
    report[1] = static_cast<char>(payload.size());
    report.replace(2, payload.size(), payload);
    return report;
}

} // namespace

class tst_Link : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        HidBackend::setCurrent(&m_backend);
        FrameExchange::setCurrent(&m_exchange);
        // Most failures would otherwise wait the instrument's full 6 s.
        P::setReceiveTimeoutMs(300);
        m_troubles.clear();
        m_prompts.clear();
        std::fill(std::begin(m_v), std::end(m_v), -9);
        m_info = ProductionInfo();
        m_date = QDate();
        m_when = QDateTime();
        plugFresh(VirtualInstrument::Family::Logger, 5633416);
    }

    void cleanup()
    {
        closeLink();
        m_backend.setInstrument(nullptr);
        m_instrument.reset();
        FrameExchange::setCurrent(nullptr);
        HidBackend::setCurrent(nullptr);
    }

    void crcKnownAnswer()
    {
        QCOMPARE(Crc16::modbus(QByteArray("123456789")), quint16(0x4B37));
        QByteArray frame = hex("AB 20 1C 00 02 00");
        Crc16::append(frame);
        QCOMPARE(frame.size(), 8);
        // Low byte first: a frame with its CRC checks to zero.
        QCOMPARE(Crc16::modbus(frame), quint16(0));
        QCOMPARE(quint8(frame.at(6)) | (quint8(frame.at(7)) << 8),
                 int(Crc16::modbus(hex("AB 20 1C 00 02 00"))));
        QCOMPARE(Crc16::modbus(QByteArray()), quint16(0xFFFF));
    }

    void requestBytesOfEveryOperation()
    {
        for (const Operation &test : operations()) {
            m_instrument->clearRequests();
            QVERIFY2(test.call() == P::Ok, test.name);
            const QList<QByteArray> seen = m_instrument->requests();
            QVERIFY2(seen.size() == 1, test.name);
            QVERIFY2(seen.first() == withCrc(test.request),
                     qPrintable(QString::fromLatin1(test.name) + ": " +
                                QString::fromLatin1(seen.first().toHex(' '))));
        }
        // A known frame with its CRC spelled out pins the byte order.
        QCOMPARE(withCrc(hex("AB 20 1C 00 02 00")), hex("AB 20 1C 00 02 00 9E F7"));
        QCOMPARE(P::powerGroupRequest(0x180 + 0x980 * 2), hex("AB 42 80 14 00 00 40 00"));
        QCOMPARE(P::powerGroupRequest(240 + 24 * 8), hex("AB 42 B0 01 00 00 40 00"));
    }

    void successfulReadsDecode()
    {
        m_instrument->setSerialNumber(4000000001u);
        m_instrument->setModelCode(25633416);
        m_instrument->setProductionDate(2019, 11, 30);
        m_instrument->setCopiedBytes(0x5A, 0xBEEF, 0x12, 0x34);
        m_instrument->setCalibrationDate(2026, 2, 28);
        m_instrument->setFirmwareVersion(23);
        m_instrument->setHostSettings(1, 45, 2, 1);
        m_instrument->setMeasureSettings(0, 10, 1, 3);
        m_instrument->setGroupCount(7);
        const QDateTime set(QDate(2026, 5, 17), QTime(10, 20, 30));
        m_instrument->setClock(set);

        QCOMPARE(run("production"), P::Ok);
        const ProductionInfo &info = m_info;
        QCOMPARE(QList<quint32>({info.serialNumber, info.modelCode, info.kindByte, info.auxWord,
                                 info.auxByte1, info.auxByte2}),
                 QList<quint32>({4000000001u, 25633416u, 0x5A, 0xBEEF, 0x12, 0x34}));
        QCOMPARE(info.productionDate, QDate(2019, 11, 30));
        // Each read's result, then what it stored.
        QCOMPARE(Ints({run("firmware"), m_v[0]}), Ints({P::Ok, 23}));
        QCOMPARE(run("calibration"), P::Ok);
        QCOMPARE(m_date, QDate(2026, 2, 28));
        QCOMPARE(Ints({run("host read"), m_v[0], m_v[1], m_v[2], m_v[3]}),
                 Ints({P::Ok, 1, 45, 2, 1}));
        QCOMPARE(Ints({run("measure read"), m_v[0], m_v[1], m_v[2], m_v[3]}),
                 Ints({P::Ok, 0, 10, 1, 3}));
        QCOMPARE(Ints({run("group count"), m_v[0]}), Ints({P::Ok, 7}));
        QCOMPARE(run("clock read"), P::Ok);
        QVERIFY(m_when >= set && m_when <= set.addSecs(5));
        QCOMPARE(m_when.timeSpec(), Qt::LocalTime);
        QCOMPARE(m_when.time().msec(), 0);
    }

    void writesChangeInstrumentMemory()
    {
        P *p = P::instance();
        QCOMPARE(p->WriteHostConfigure(1, 10, 2, 0), P::Ok);
        QCOMPARE(m_instrument->memory(1, 0x80, 6), withCrc(hex("01 0A 02 00")));
        QCOMPARE(run("measure write"), P::Ok);
        QCOMPARE(m_instrument->memory(7, 0x60, 6), withCrc(hex("00 0A 02 03")));
        QCOMPARE(run("measure read"), P::Ok);
        QCOMPARE(values(), Ints({0, 10, 2, 3}));

        const QDateTime set(QDate(2027, 1, 31), QTime(23, 59, 58));
        QCOMPARE(p->WriteDateTime(set), P::Ok);
        QCOMPARE(run("clock read"), P::Ok);
        // The clock runs on from the value set.
        QVERIFY(m_when >= set && m_when <= set.addSecs(5));
    }

    void codeNotSent()
    {
        // No link: nothing is sent and nothing waits.
        closeLink();
        QVERIFY(!m_exchange.IsLinkOpen());
        QElapsedTimer timer;
        timer.start();
        P::setReceiveTimeoutMs(5000);
        for (const Operation &operation : operations())
            QVERIFY2(operation.call() == P::NotSent, operation.name);
        QVERIFY(timer.elapsed() < 4000);
        QVERIFY(m_troubles.isEmpty());
        QVERIFY(m_instrument->requests().isEmpty());

        // A link whose instrument has gone: the write fails and the owner hears of it.
        QVERIFY(openLink());
        m_instrument->unplug();
        QCOMPARE(run("host read"), P::NotSent);
        QCOMPARE(m_troubles, Troubles{Trouble::SendFailed});
        QVERIFY(m_link->IsRemoved());
    }

    void codeNoValidReply()
    {
        m_instrument->injectFault(Fault::NoReply);
        QCOMPARE(run("firmware"), P::NoReply);
        QCOMPARE(m_v[0], -9);
        QVERIFY(m_troubles.isEmpty());

        m_instrument->injectFault(Fault::BadFrameCrc);
        QCOMPARE(run("clock read"), P::NoReply);
        QVERIFY(!m_when.isValid());
        QCOMPARE(m_troubles, Troubles{Trouble::BadFrame});

        // Too little before the deadline: the last read brought nothing, so no CRC check and no
        // box.
        m_troubles.clear();
        m_instrument->injectFault(Fault::ShortReply, 9);
        QCOMPARE(run("group count"), P::NoReply);
        QCOMPARE(m_v[0], -9);
        QVERIFY(m_troubles.isEmpty());

        // Every write operation reports a lost reply the same way.
        for (const char *write : {"host write", "measure write", "clock write"}) {
            m_instrument->injectFault(Fault::NoReply);
            QVERIFY2(run(write) == P::NoReply, write);
        }
    }

    void codeBadEcho()
    {
        for (const Operation &operation : operations()) {
            m_instrument->injectFault(Fault::WrongEcho);
            QVERIFY2(operation.call() == P::BadEcho, operation.name);
        }
        QVERIFY(m_troubles.isEmpty());
    }

    void echoAcceptsOneMatchingByte()
    {
        // Firmware: command byte right and count byte wrong, then the reverse; host settings:
        // address right and length wrong, then the reverse; clock read: register right.
        const QByteArray block = withCrc(hex("01 0A 02 00"));
        const struct {
            const char *operation;
            QByteArray reply;
            int code;
            int value; // m_v[0] for the firmware, m_v[2] for the host settings
        } cases[] = {
            {"firmware", hex("AB 20 1C 00 07 00 17 00"), P::Ok, 23},
            {"firmware", hex("AB 99 1C 00 02 00 18 00"), P::Ok, 24},
            {"firmware", hex("AB 99 1C 00 07 00 19 00"), P::BadEcho, 24},
            {"host read", hex("AB 41 80 00 00 00 09 00") + block, P::Ok, 2},
            {"host read", hex("AB 41 81 00 00 00 06 00") + block, P::Ok, 2},
            {"host read", hex("AB 41 81 00 00 00 09 00") + block, P::BadEcho, 2},
        };
        for (const auto &c : cases) {
            respondWith(withCrc(c.reply));
            QCOMPARE(run(c.operation), c.code);
            QCOMPARE(m_v[qstrcmp(c.operation, "firmware") == 0 ? 0 : 2], c.value);
        }
        respondWith(withCrc(hex("AB 20 61 00 05 00 1A 0C 07 16 05 09")));
        QCOMPARE(run("clock read"), P::Ok);
        QCOMPARE(m_when, QDateTime(QDate(2026, 12, 7), QTime(22, 5, 9)));
    }

    void codeBadBlock()
    {
        m_info.serialNumber = 99;
        m_date = QDate(2000, 1, 1);
        const struct {
            int bank, address, payloadLength;
            const char *operation;
        } blocks[] = {{7, 0x00, 18, "production"},
                      {7, 0x24, 4, "calibration"},
                      {7, 0x60, 4, "measure read"},
                      {1, 0x80, 4, "host read"}};
        for (const auto &b : blocks) {
            m_instrument->corruptBlock(b.bank, b.address, b.payloadLength);
            QVERIFY2(run(b.operation) == P::BadBlock, b.operation);
        }
        QCOMPARE(m_info.serialNumber, 99u);
        QCOMPARE(m_date, QDate(2000, 1, 1));
        QCOMPARE(values(), Ints({-9, -9, -9, -9}));

        // One wrong byte of the stored check is enough for the settings blocks.
        QByteArray halfWrong = withCrc(hex("01 0A 02 00"));
        halfWrong[5] = static_cast<char>(halfWrong.at(5) ^ 0x01);
        m_instrument->setMemory(1, 0x80, halfWrong);
        QCOMPARE(run("host read"), P::BadBlock);
        // Writing the block repairs it.
        QCOMPARE(P::instance()->WriteHostConfigure(1, 10, 2, 0), P::Ok);
        QCOMPARE(run("host read"), P::Ok);
        QVERIFY(m_troubles.isEmpty());
    }

    void groupCountEitherByteRule()
    {
        const QByteArray payload = hex("09 00");
        const quint16 crc = Crc16::modbus(payload);
        const quint8 lo = crc & 0xFF, hi = crc >> 8;
        const struct {
            quint8 stored0, stored1;
            int code;
        } cases[] = {{lo, hi, P::Ok},
                     {lo, quint8(hi ^ 0xFF), P::Ok},
                     {quint8(lo ^ 0xFF), hi, P::Ok},
                     {quint8(lo ^ 0xFF), quint8(hi ^ 0xFF), P::BadBlock}};
        for (const auto &c : cases) {
            m_instrument->setMemory(1, 0xE0, payload + Bytes::of({c.stored0, c.stored1}));
            m_v[0] = -1;
            QCOMPARE(run("group count"), c.code);
            QCOMPARE(m_v[0], c.code == P::Ok ? 9 : -1);
        }
        // The second byte is not part of the count.
        m_instrument->writeBlock(1, 0xE0, hex("FF 07"));
        QCOMPARE(run("group count"), P::Ok);
        QCOMPARE(m_v[0], 255);
    }

    void codeNoProbeOnlyAfterDeadline()
    {
        m_instrument->setProbeConnected(false);
        QTest::qWait(20);
        // Drop the probe notification that went out with the change.
        QByteArray drained;
        m_exchange.ReceiveData(drained, 0, 100, false);

        // The short error frame is recognised only once the reply deadline has passed; the
        // clock operations never take it for a missing probe.
        QElapsedTimer timer;
        for (const Operation &operation : operations()) {
            timer.start();
            QVERIFY2(operation.call() == (operation.probeErrorCounts ? P::NoProbe : P::NoReply),
                     operation.name);
            QVERIFY2(timer.elapsed() >= P::receiveTimeoutMs(), operation.name);
        }
        QVERIFY(!m_when.isValid());
        QVERIFY(m_troubles.isEmpty());

        // Once with the real deadline.
        P::setReceiveTimeoutMs(P::DefaultReceiveTimeoutMs);
        timer.start();
        QCOMPARE(run("production"), P::NoProbe);
        QVERIFY(timer.elapsed() >= 6000);
    }

    void impossibleDatesStillSucceed()
    {
        m_instrument->setProductionDate(2020, 0, 10);
        m_instrument->setSerialNumber(1234);
        m_info.productionDate = QDate(2001, 1, 1);
        QCOMPARE(run("production"), P::Ok);
        QVERIFY(!m_info.productionDate.isValid());
        QCOMPARE(m_info.serialNumber, 1234u);

        m_instrument->setCalibrationDate(2021, 2, 30);
        m_date = QDate(2001, 1, 1);
        QCOMPARE(run("calibration"), P::Ok);
        QVERIFY(!m_date.isValid());
    }

    void repliesSplitAnywhere()
    {
        m_instrument->setSerialNumber(777);
        for (int cut = 1; cut < 30; ++cut) {
            m_instrument->injectFault(Fault::SplitReply, cut);
            m_info = ProductionInfo();
            QVERIFY2(run("production") == P::Ok, qPrintable(QString::number(cut)));
            QCOMPARE(m_info.serialNumber, 777u);
        }
        QVERIFY(m_troubles.isEmpty());
    }

    void untrustedReplyShapes()
    {
        // Garbage in front of the frame is dropped in frame mode.
        m_instrument->injectFault(Fault::GarbageBefore, 0, hex("00 13 C7 08 AA"));
        QCOMPARE(run("host read"), P::Ok);
        // A second frame behind the expected one does not disturb it; it waits for the next read.
        m_instrument->injectFault(Fault::SecondFrame, 0, kProbeOn);
        QCOMPARE(run("host read"), P::Ok);
        QByteArray behind;
        QCOMPARE(m_exchange.ReceiveData(behind, 0, 100, false), 10);
        QCOMPARE(behind, kProbeOn);
        // A report of another identifier is dropped by the transport.
        m_instrument->injectFault(Fault::ForeignReport, 0x01);
        QCOMPARE(run("host read"), P::Ok);
        QVERIFY(m_troubles.isEmpty());

        // A reply of garbage only: the deadline ends it, no valid reply.
        respondWith(hex("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12"));
        QCOMPARE(run("host read"), P::NoReply);
        // A frame whose start is right but whose body is nonsense fails its CRC.
        respondWith(hex("AB 41 80 00 00 00 06 00 FF FF FF FF FF FF FF FF FF FF FF FF FF FF"));
        QCOMPARE(run("host read"), P::NoReply);
        QCOMPARE(m_troubles, Troubles{Trouble::BadFrame});
    }

    void transportReportFormat()
    {
        ScriptedBackend backend({deviceAt("/dev/a", "S1")});
        libHidDevice device;
        QCOMPARE(device.Open(kVid, kPid), 0);
        ScriptedConnection *connection = backend.last;
        QVERIFY(connection);
        QList<QByteArray> &written = connection->written;

        QByteArray bytes(125, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i);
        QCOMPARE(device.Write(bytes.constData(), 62, 50), 62);
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.at(0).size(), 64);
        QCOMPARE(written.at(0).left(2), hex("3F 3E"));
        QCOMPARE(written.at(0).mid(2, 62), bytes.left(62));

        written.clear();
        QCOMPARE(device.Write(bytes.constData(), 63, 50), 63);
        QCOMPARE(written.size(), 2);
        QCOMPARE(quint8(written.at(0).at(1)), quint8(62));
        QCOMPARE(written.at(1).left(3), hex("3F 01 3E"));

        written.clear();
        QCOMPARE(device.Write(bytes.constData(), 0, 50), 0);
        QVERIFY(written.isEmpty());

        // A failing report ends the transfer with 0.
        connection->removed = true;
        QCOMPARE(device.Write(bytes.constData(), 125, 50), 0);
        QVERIFY(device.IsRemoved());
        device.Close();
        QVERIFY(!device.IsOpen());
        QCOMPARE(device.Write(bytes.constData(), 5, 50), 0);
        char sink[8];
        QCOMPARE(device.Read(sink, 8, 50), 0);
    }

    void transportLeftoverAndForeignReports()
    {
        ScriptedBackend backend({deviceAt("/dev/a", "S1")});
        libHidDevice device;
        QCOMPARE(device.Open(kVid, kPid), 0);
        ScriptedConnection *connection = backend.last;
        std::deque<QByteArray> &input = connection->input;

        const QByteArray ten = hex("00 01 02 03 04 05 06 07 08 09");
        input.push_back(inputReport(ten));
        char out[64] = {};
        QCOMPARE(device.Read(out, 8, 50), 8);
        QCOMPARE(QByteArray(out, 8), ten.left(8));
        const int callsBefore = connection->readCalls;
        QCOMPARE(device.Read(out, 2, 50), 2);
        QCOMPARE(QByteArray(out, 2), ten.mid(8));
        QCOMPARE(connection->readCalls, callsBefore); // served from the leftover, no wait

        // Leftover larger than asked: handed out in pieces.
        input.push_back(inputReport(ten));
        QCOMPARE(device.Read(out, 3, 50), 3);
        QCOMPARE(device.Read(out, 3, 50), 3);
        QCOMPARE(QByteArray(out, 3), ten.mid(3, 3));
        // Leftover shorter than asked and nothing more arriving: the leftover is not lost.
        QCOMPARE(device.Read(out, 10, 50), 4);
        QCOMPARE(QByteArray(out, 4), ten.mid(6));
        // A read error after part of a report was taken: those bytes still reach the caller.
        for (const bool untilQuiet : {true, false}) {
            input.push_back(inputReport(ten));
            QCOMPARE(device.Read(out, 3, 50), 3);
            connection->removed = true;
            QCOMPARE(untilQuiet ? device.Read(out, 10, 50) : device.ReadAvailable(out, 10, 50), 7);
            QCOMPARE(QByteArray(out, 7), ten.mid(3));
            QCOMPARE(device.Read(out, 10, 50), 0);
            connection->removed = false;
        }

        // Reports of another identifier and malformed lengths.
        QByteArray liar(64, '\x55');
        liar[0] = 0x3F;
        liar[1] = static_cast<char>(250); // claims more than the report holds
        input.insert(input.end(), {inputReport(hex("EE EE"), 0x02), inputReport(hex("01 02")), liar,
                                   QByteArray(1, '\x3F')});
        QByteArray all(200, '\0');
        QCOMPARE(device.Read(all.data(), 200, 50), 2 + 62);
        QCOMPARE(all.left(64), hex("01 02") + QByteArray(62, '\x55'));
    }

    void transportChoosesLastSerial()
    {
        ScriptedBackend backend;
        libHidDevice device;
        QCOMPARE(device.Open(kVid, kPid), -1);
        QVERIFY(!device.IsOpen());
        QVERIFY(device.IsRemoved());

        backend.devices = {deviceAt("/dev/a0", "AAA"), deviceAt("/dev/b0", "BBB"),
                           deviceAt("/dev/b1", "BBB", 1), deviceAt("/dev/x", "ZZZ", 0, 0x1234)};
        QCOMPARE(device.Open(kVid, kPid), 0);
        QCOMPARE(backend.opened, QStringList({QStringLiteral("/dev/b1")}));
        // Opening again makes a fresh record.
        QCOMPARE(device.Open(kVid, kPid), 0);
        QCOMPARE(backend.opened.size(), 2);
        QVERIFY(device.IsOpen());
    }

    void frameModeDropsGarbagePollingModeKeepsIt()
    {
        CLinker *link = m_link.get();
        m_instrument->sendUnsolicited(hex("11 22 33") + kProbeOn);
        QByteArray buffer;
        QCOMPARE(link->Read(buffer, 200, 10), 10);
        QCOMPARE(buffer, kProbeOn);

        m_instrument->sendUnsolicited(hex("11 22 33") + kProbeOn);
        QByteArray polled;
        QCOMPARE(link->Read(polled, 0, 10), 13);
        QCOMPARE(polled, hex("11 22 33") + kProbeOn);
        // Polling appends to what the buffer held and reports the total.
        m_instrument->sendUnsolicited(hex("44"));
        QCOMPARE(link->Read(polled, 0, 10), 14);
        // Nothing to read: the result of the transport, 0.
        QByteArray empty;
        QCOMPARE(link->Read(empty, 0, 10), 0);
        QVERIFY(empty.isEmpty());

        // Frame mode with only garbage: nothing kept, nothing returned at the deadline.
        m_instrument->sendUnsolicited(hex("01 02 03"));
        QByteArray none;
        QVERIFY(link->Read(none, 100, 10) >= 0);
        QVERIFY(none.isEmpty());
        CLinkerUSB::dropFrontGarbage(none);
        QVERIFY(none.isEmpty());
    }

    void sendAndReceiveEdgeCases()
    {
        QByteArray frame = P::firmwareVersionRequest();
        QCOMPARE(m_exchange.SendData(frame, 1000), 8);
        QCOMPARE(frame.size(), 8);
        // The same buffer again carries the first CRC as data.
        QCOMPARE(m_exchange.SendData(frame, 1000), 10);
        // The instrument reads the first eight bytes as a request again and skips the rest.
        const QList<QByteArray> seen = m_instrument->requests();
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(1), frame.left(8));
        QByteArray replies;
        QCOMPARE(m_exchange.ReceiveData(replies, 300, 20, false), 20);

        // With the CRC check off whatever arrived is returned.
        m_instrument->sendUnsolicited(hex("AB 41 80"));
        QByteArray partial;
        QCOMPARE(m_exchange.ReceiveData(partial, 0, 16, false), 3);
        QCOMPARE(partial, hex("AB 41 80"));
        // In frame mode a part frame stays in the buffer; the last read's result (nothing) is
        // returned.
        m_instrument->sendUnsolicited(hex("AB 41 80"));
        partial.clear();
        QCOMPARE(m_exchange.ReceiveData(partial, 100, 16, false), 0);
        QCOMPARE(partial, hex("AB 41 80"));
        QVERIFY(m_troubles.isEmpty());

        // Garbage in front and a second frame behind: the garbage goes, the frame passes its
        // CRC at the expected place and the size tells that more arrived.
        const QByteArray reply = withCrc(hex("AB 20 1C 00 02 00 17 00"));
        m_instrument->injectFault(Fault::NoReply);
        m_instrument->sendUnsolicited(hex("01 02 03") + reply + kProbeOn);
        frame = P::firmwareVersionRequest();
        QCOMPARE(m_exchange.SendData(frame, 1000), 8);
        QByteArray two;
        QCOMPARE(m_exchange.ReceiveData(two, 300, 10, true), 17);
        QCOMPARE(two, reply + kProbeOn.left(7));
        QVERIFY(m_troubles.isEmpty());

        // Without a link nothing moves and nothing is reported.
        closeLink();
        frame = P::firmwareVersionRequest();
        QCOMPARE(m_exchange.SendData(frame, 1000), -1);
        QCOMPARE(frame, P::firmwareVersionRequest());
        QCOMPARE(m_exchange.ReceiveData(two, 0, 10, true), -1);
        QVERIFY(m_troubles.isEmpty());
    }

    void linkLifecycle()
    {
        QVERIFY(m_exchange.IsLinkOpen());
        QVERIFY(!m_link->IsRemoved());
        m_instrument->unplug();
        QVERIFY(m_link->IsRemoved());
        closeLink();
        QVERIFY(!m_exchange.IsLinkOpen());
        QVERIFY(!openLink()); // nothing plugged

        m_instrument->plug();
        QVERIFY(openLink());
        QCOMPARE(run("firmware"), P::Ok);

        // An instrument held by another program, or not accessible, does not open.
        closeLink();
        CLinkerUSB refused;
        m_instrument->setOpenRefused(true);
        QCOMPARE(refused.Open(kVid, kPid), -1);
        QVERIFY(!refused.IsOpen());
        m_instrument->setOpenRefused(false, true);
        QCOMPARE(refused.Open(kVid, kPid), -1);
        QCOMPARE(refused.lastOpenError(), HidBackend::OpenError::PermissionDenied);
        m_instrument->setOpenRefused(false);
        QVERIFY(openLink());

        // The base link is a link without a device.
        CLinker bare;
        QByteArray buffer;
        QCOMPARE(bare.Read(buffer, 100, 10), 0);
        QCOMPARE(bare.Write(buffer, 100), 0);
        QVERIFY(!bare.IsOpen());
        QVERIFY(bare.IsRemoved());
    }

    // A poll hands over what has come without waiting out the report wait; a wait for input
    // takes none and ends at once when woken; closing and stopping never wait out a wait.
    void inputWaitsAndPolls()
    {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!m_exchange.WaitForInput(60));
        QVERIFY(clock.elapsed() >= 55);

        // Five reports 40 ms apart, closer than the report wait: a poll takes what has come.
        m_instrument->setReportIntervalMicroseconds(40000);
        const QByteArray payload = QByteArray(5 * 62, '\xAB');
        m_instrument->sendUnsolicited(payload);
        QVERIFY(m_exchange.WaitForInput(3000));
        QVERIFY(m_exchange.WaitForInput(0)); // nothing was taken
        QByteArray buffer;
        const int polled = m_link->Read(buffer, 0, 0);
        QVERIFY2(polled >= 62 && polled < 5 * 62, QByteArray::number(polled));
        // Frame mode still waits for the whole length.
        QCOMPARE(m_link->Read(buffer, 3000, 62 * 5), 62 * 5);
        QCOMPARE(buffer, payload);
        m_instrument->setReportIntervalMicroseconds(0);

        // Woken from another thread, and a wake that comes first ends the next wait.
        std::unique_ptr<QThread> waker(QThread::create([this] {
            QThread::msleep(50);
            m_exchange.WakeInputWaiters();
        }));
        clock.restart();
        waker->start();
        QVERIFY(!m_exchange.WaitForInput(5000));
        QVERIFY2(clock.elapsed() < 2000, QByteArray::number(clock.elapsed()));
        waker->wait();
        m_exchange.WakeInputWaiters();
        clock.restart();
        QVERIFY(!m_exchange.WaitForInput(5000));
        QVERIFY(clock.elapsed() < 2000);

        // A worker on a quiet link holds its pause lock for none of its wait, and stops at once.
        PollingWorkerControl control;
        control.start();
        QTest::qWait(50);
        for (int i = 0; i < 20; ++i) {
            QVERIFY(control.pauseLock()->tryLock());
            control.pauseLock()->unlock();
            QTest::qWait(5);
        }
        clock.restart();
        control.stop();
        QVERIFY2(clock.elapsed() < MyThread::InputWaitMs / 2, QByteArray::number(clock.elapsed()));
        // The drain's long wait on a quiet link ends with the close.
        QTest::qWait(libHidDevice::DrainIdleAfterMs + 100);
        clock.restart();
        closeLink();
        QVERIFY2(clock.elapsed() < libHidDevice::DrainIdleWaitMs / 2,
                 QByteArray::number(clock.elapsed()));
        QVERIFY(openLink());
    }

    void workerDeliversChunks()
    {
        PollingWorkerControl control;
        QSignalSpy spy(&control, &PollingWorkerControl::senddata);
        control.start();
        QVERIFY(control.isRunning());
        m_instrument->setProbeConnected(false);
        QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 3000);
        QCOMPARE(delivered(spy), withCrc(hex("AB 22 0D 00 02 00 00 00")));

        // A frame cut over two reports that arrive in different passes is delivered as it came.
        spy.clear();
        m_instrument->sendUnsolicited(kProbeOn.left(4));
        QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 3000);
        QTest::qWait(120);
        m_instrument->sendUnsolicited(kProbeOn.mid(4));
        QTRY_VERIFY_WITH_TIMEOUT(spy.size() >= 2, 3000);
        QCOMPARE(spy.at(0).at(0).toByteArray(), kProbeOn.left(4));
        QCOMPARE(delivered(spy, 1), kProbeOn.mid(4));
        control.stop();
        QVERIFY(!control.isRunning());
    }

    void workerYieldsToPageOperations()
    {
        PollingWorkerControl control;
        QSignalSpy spy(&control, &PollingWorkerControl::senddata);
        control.start();
        QTest::qWait(100);
        for (int i = 0; i < 10; ++i) {
            QMutexLocker locker(control.pauseLock());
            m_v[0] = 0;
            QCOMPARE(run("firmware"), P::Ok);
            QCOMPARE(m_v[0], 23);
        }
        QTest::qWait(200);
        QVERIFY(spy.isEmpty()); // the worker never swallowed a reply
        QVERIFY(m_troubles.isEmpty());

        // Without the lock the worker collects the replies: this is how group replies arrive.
        control.stop();
        plugFresh(VirtualInstrument::Family::Meter, 7001297);
        control.start();
        QByteArray request = P::powerGroupRequest(0xF0);
        m_instrument->setMeterGroups({{1, 2, 3, 4, 5, 6}});
        QCOMPARE(m_exchange.SendData(request, 1000), 10);
        QTRY_VERIFY_WITH_TIMEOUT(delivered(spy).size() >= 34, 3000);
        QCOMPARE(delivered(spy).left(8), hex("AB 42 F0 00 00 00 18 00"));
        control.stop();
    }

    void workerStartsAndStops()
    {
        PollingWorkerControl control;
        control.stop(); // nothing running: nothing happens
        QVERIFY(!control.worker());
        QVERIFY(!control.pauseLock());

        control.start();
        QPointer<QThread> firstThread = control.thread();
        MyThread *firstWorker = control.worker();
        QVERIFY(firstThread);
        QVERIFY(firstThread != QThread::currentThread());
        QCOMPARE(firstWorker->thread(), firstThread.data());

        control.stop();
        QVERIFY(firstThread.isNull());           // the finished thread is gone
        QCOMPARE(control.worker(), firstWorker); // the finished worker stays, its lock free
        QVERIFY(control.pauseLock()->tryLock());
        control.pauseLock()->unlock();
        control.stop();

        // Two starts in a row: the first worker has finished before the second polls.
        control.start();
        QPointer<QThread> second = control.thread();
        control.start();
        QVERIFY(second.isNull());
        QVERIFY(control.isRunning());
        control.stop();
        QVERIFY(!control.isRunning());
    }

    void pauseLockServesWaitersInTurn()
    {
        // A holder that releases and retakes at once must still let a waiter in.
        PauseLock lock;
        std::atomic<bool> done{false};
        std::atomic<int> passes{0};
        std::unique_ptr<QThread> hog(QThread::create([&] {
            lock.lock();
            while (!done.load()) {
                QThread::usleep(200);
                lock.unlock();
                lock.lock();
                ++passes;
            }
            lock.unlock();
        }));
        hog->start();
        QTRY_VERIFY(passes.load() > 0);
        for (int i = 0; i < 50; ++i) {
            lock.lock();
            QVERIFY(!lock.tryLock()); // not recursive, and held
            lock.unlock();
        }
        done = true;
        hog->wait();
        QVERIFY(lock.tryLock());
        lock.unlock();

        // A box raised under the lock waits for its release, in order, and none shows before.
        QVERIFY(!PauseLock::heldByCurrentThread());
        lock.lock();
        QVERIFY(PauseLock::heldByCurrentThread());
        UserPrompts::information(nullptr, QStringLiteral("t"), QStringLiteral("first"));
        UserPrompts::information(nullptr, QStringLiteral("t"), QStringLiteral("second"));
        QVERIFY(m_prompts.prompts().isEmpty());
        // Asked for again by its holder: counted and let through instead of waiting for itself.
        const int reentries = PauseLock::reentries();
        lock.lock();
        QCOMPARE(PauseLock::reentries(), reentries + 1);
        lock.unlock();
        QVERIFY(m_prompts.prompts().isEmpty());
        lock.unlock();
        QVERIFY(!PauseLock::heldByCurrentThread());
        QCOMPARE(m_prompts.texts(),
                 QStringList({QStringLiteral("first"), QStringLiteral("second")}));
        QCOMPARE(m_prompts.boxesUnderLock(), 0);
        QVERIFY(lock.tryLock()); // free again for others
        lock.unlock();
    }

    void workerSurvivesUnplug()
    {
        PollingWorkerControl control;
        control.start();
        QTest::qWait(60);
        m_instrument->unplug();
        QTest::qWait(200);
        QVERIFY(control.isRunning());
        QVERIFY(m_link->IsRemoved());
        control.stop();
        closeLink();

        // Unplugged at a random moment inside a pass, many times over.
        for (int round = 0; round < 5; ++round) {
            m_instrument->plug();
            QVERIFY(openLink());
            control.start();
            m_instrument->sendUnsolicited(QByteArray(400, '\x11'));
            m_instrument->unplugAfterReports(1 + round);
            QTest::qWait(30 + 17 * round);
            control.stop();
            closeLink();
            // On a slow machine the worker may not have read that many reports yet; the
            // cable goes anyway so that the armed count cannot fire in the next round.
            m_instrument->unplug();
        }
        m_instrument->plug();
        QVERIFY(openLink());
        QCOMPARE(run("firmware"), P::Ok);
    }

    void parsersAreSafeOnShortInput()
    {
        // Every decoder refuses input shorter than its reply instead of reading past it.
        int *v = m_v;
        const QList<QPair<int, std::function<int(const QByteArray &)>>> decoders = {
            {30, [this](const QByteArray &r) { return P::parseProductionInfo(r, m_info); }},
            {16, [this](const QByteArray &r) { return P::parseCalibrationDate(r, m_date); }},
            {16, [v](const QByteArray &r) { return P::parseSettingsBlock(r, 0x80, v); }},
            {14, [this](const QByteArray &r) { return P::parseDateTime(r, m_when); }},
            {14, [v](const QByteArray &r) { return P::parsePowerGroupCount(r, v[0]); }},
            {10, [v](const QByteArray &r) { return P::parseFirmwareVersion(r, v[0]); }},
            {10, [](const QByteArray &r) { return P::parseWriteReply(r, 0x80); }},
            {8, [](const QByteArray &r) { return P::parseWriteDateTimeReply(r); }},
        };
        const QByteArray full = withCrc(hex("AB 47 00 00 00 00 14 00") + QByteArray(20, '\0'));
        for (const auto &decoder : decoders) {
            for (int size = 0; size < decoder.first; ++size)
                QCOMPARE(decoder.second(full.left(size)), P::NoReply);
        }
    }

private:
    struct Operation {
        const char *name;
        std::function<int()> call;
        QByteArray request; // before the frame CRC
        bool probeErrorCounts;
    };
    // Every protocol operation, with the request it sends; reads land in the members below.
    QList<Operation> operations()
    {
        P *p = P::instance();
        int *v = m_v;
        const auto clock = [p](QDate date, QTime time) {
            return [p, date, time] { return p->WriteDateTime(QDateTime(date, time)); };
        };
        return {
            {"firmware", [p, v] { return p->ReadFirmwareVersion(v[0]); }, hex("AB 20 1C 00 02 00"),
             true},
            {"production", [this, p] { return p->ReadProductionInfo(m_info); },
             hex("AB 47 00 00 00 00 14 00"), true},
            {"calibration", [this, p] { return p->ReadCalibrationDate(m_date); },
             hex("AB 47 24 00 00 00 06 00"), true},
            {"measure read", [p, v] { return p->ReadMeasureConfigure(v[0], v[1], v[2], v[3]); },
             hex("AB 47 60 00 00 00 06 00"), true},
            {"measure write", [p] { return p->WriteMeasureConfigure(0, 10, 2, 3); },
             hex("AB 77 60 00 00 00 06 00") + withCrc(hex("00 0A 02 03")), true},
            {"host read", [p, v] { return p->ReadHostConfigure(v[0], v[1], v[2], v[3]); },
             hex("AB 41 80 00 00 00 06 00"), true},
            // Settings go out as their low byte: -1 becomes FF.
            {"host write", [p] { return p->WriteHostConfigure(-1, 10, 256, 1); },
             hex("AB 71 80 00 00 00 06 00") + withCrc(hex("FF 0A 00 01")), true},
            {"clock write", clock(QDate(2026, 12, 7), QTime(22, 5, 9, 870)),
             hex("AB 21 21 00 06 00 1A 0C 07 16 05 09"), false},
            {"clock write 1999", clock(QDate(1999, 1, 2), QTime(3, 4, 5)),
             hex("AB 21 21 00 06 00 FF 01 02 03 04 05"), false},
            {"clock write 2256", clock(QDate(2256, 1, 2), QTime(3, 4, 5)),
             hex("AB 21 21 00 06 00 00 01 02 03 04 05"), false},
            {"clock read", [this, p] { return p->ReadDateTime(m_when); }, hex("AB 20 61 00 06 00"),
             false},
            {"group count", [p, v] { return p->ReadPowerGroupCount(v[0]); },
             hex("AB 41 E0 00 00 00 04 00"), true},
        };
    }

    int run(const char *name)
    {
        for (const Operation &operation : operations()) {
            if (qstrcmp(operation.name, name) == 0)
                return operation.call();
        }
        qFatal("no operation %s", name);
    }

    bool openLink()
    {
        auto link = std::make_unique<CLinkerUSB>();
        if (link->Open(kVid, kPid) != 0)
            return false;
        m_link = std::move(link);
        m_exchange.setLink(m_link.get());
        return true;
    }

    void closeLink()
    {
        m_exchange.setLink(nullptr);
        if (m_link)
            m_link->Close();
        m_link.reset();
    }

    void plugFresh(VirtualInstrument::Family family, quint32 model)
    {
        closeLink();
        m_instrument = std::make_unique<VirtualInstrument>(family, model);
        m_backend.setInstrument(m_instrument.get());
        QVERIFY(openLink());
        m_instrument->clearRequests();
    }

    // The instrument swallows the next request and this reply arrives instead.
    void respondWith(const QByteArray &reply)
    {
        m_instrument->injectFault(Fault::NoReply);
        m_instrument->sendUnsolicited(reply);
    }

    Ints values() const { return {m_v[0], m_v[1], m_v[2], m_v[3]}; }

    PromptRecorder m_prompts;
    VirtualHidBackend m_backend{nullptr};
    std::unique_ptr<VirtualInstrument> m_instrument;
    LinkExchange m_exchange{[this](Trouble trouble) { m_troubles.append(trouble); }};
    std::unique_ptr<CLinkerUSB> m_link;
    Troubles m_troubles;
    int m_v[4] = {};
    ProductionInfo m_info;
    QDate m_date;
    QDateTime m_when;
};

QTEST_MAIN(tst_Link)
#include "tst_link.moc"
