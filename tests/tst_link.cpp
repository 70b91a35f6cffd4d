// The device link end to end: protocol operations through the link's frame exchange,
// the link and the HID transport, against the virtual instrument.
#include "clinkerusb.h"
#include "crc16.h"
#include "hidconnection.h"
#include "instrumentprotocol.h"
#include "libhiddevice.h"
#include "linkexchange.h"
#include "mythread.h"
#include "pauselock.h"
#include "pollingworkercontrol.h"
#include "userprompts.h"
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

constexpr quint16 kVendorId = 0x2047;
constexpr quint16 kProductId = 0x0301;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray withCrc(QByteArray bytes)
{
    Crc16::append(bytes);
    return bytes;
}

// Everything the worker handed on since `from`, in order.
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
        if (removed)
            return -1;
        written.append(report);
        return static_cast<int>(report.size());
    }
    int readReport(QByteArray &report, int) override
    {
        ++readCalls;
        if (removed)
            return -1;
        if (input.empty())
            return 0;
        report = input.front();
        input.pop_front();
        return static_cast<int>(report.size());
    }
    bool isRemoved() const override { return removed; }
    QString serialNumber() const override { return QStringLiteral("S"); }
};

// In place of the current backend while it lives.
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

HidDeviceInfo deviceAt(const char *path, const char *serial, int interface = 0,
                       quint16 vendor = kVendorId)
{
    return {QString::fromLatin1(path), QString::fromLatin1(serial), interface, vendor, kProductId};
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
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void crcKnownAnswer();
    void requestBytesOfEveryOperation();
    void successfulReadsDecode();
    void writesChangeInstrumentMemory();
    void codeNotSent();
    void codeNoValidReply();
    void codeBadEcho();
    void echoAcceptsOneMatchingByte();
    void codeBadBlock();
    void groupCountEitherByteRule();
    void codeNoProbeOnlyAfterDeadline();
    void impossibleDatesStillSucceed();
    void repliesSplitAnywhere();
    void untrustedReplyShapes();
    void transportReportFormat();
    void transportLeftoverAndForeignReports();
    void transportChoosesLastSerial();
    void frameModeDropsGarbagePollingModeKeepsIt();
    void sendAndReceiveEdgeCases();
    void linkLifecycle();
    void workerDeliversChunks();
    void workerYieldsToPageOperations();
    void workerStartsAndStops();
    void pauseLockServesWaitersInTurn();
    void workerSurvivesUnplug();
    void parsersAreSafeOnShortInput();

private:
    struct Operation {
        const char *name;
        std::function<int()> call;
        QByteArray request; // before the frame CRC
        bool probeErrorCounts;
    };
    // Every protocol operation, with the request it sends.
    QList<Operation> operations();
    bool openLink();
    void closeLink();
    void plugFresh(VirtualInstrument::Family family, quint32 model);
    void respondWith(const QByteArray &reply);

    VirtualInstrument *m_instrument = nullptr;
    VirtualHidBackend *m_backend = nullptr;
    LinkExchange m_exchange{[this](Trouble trouble) { m_troubles.append(trouble); }};
    std::unique_ptr<CLinkerUSB> m_link;
    Troubles m_troubles;
    QList<UserPrompts::Prompt> m_prompts;
    // Out-parameters of operations().
    int m_value = 0;
    ProductionInfo m_info;
    QDate m_date;
    QDateTime m_when;
};

void tst_Link::initTestCase()
{
    UserPrompts::setHandler([this](const UserPrompts::Prompt &prompt) {
        m_prompts.append(prompt);
        return UserPrompts::Answer{};
    });
    m_backend = new VirtualHidBackend(nullptr);
    HidBackend::setCurrent(m_backend);
    FrameExchange::setCurrent(&m_exchange);
}

void tst_Link::init()
{
    // Most failures would otherwise wait the instrument's full 6 s.
    P::setReceiveTimeoutMs(300);
    m_troubles.clear();
    m_prompts.clear();
    m_when = QDateTime();
    plugFresh(VirtualInstrument::Family::Logger, 5633416);
}

bool tst_Link::openLink()
{
    auto link = std::make_unique<CLinkerUSB>();
    if (link->Open(kVendorId, kProductId) != 0)
        return false;
    m_link = std::move(link);
    m_exchange.setLink(m_link.get());
    return true;
}

void tst_Link::closeLink()
{
    m_exchange.setLink(nullptr);
    if (m_link)
        m_link->Close();
    m_link.reset();
}

void tst_Link::plugFresh(VirtualInstrument::Family family, quint32 model)
{
    closeLink();
    delete m_instrument;
    m_instrument = new VirtualInstrument(family, model);
    m_backend->setInstrument(m_instrument);
    QVERIFY(openLink());
    m_instrument->clearRequests();
}

void tst_Link::cleanup()
{
    closeLink();
    m_backend->setInstrument(nullptr);
    delete m_instrument;
    m_instrument = nullptr;
}

void tst_Link::cleanupTestCase()
{
    FrameExchange::setCurrent(nullptr);
    HidBackend::setCurrent(nullptr);
    delete m_backend;
    UserPrompts::setHandler({});
}

// The instrument swallows the next request and this reply arrives instead.
void tst_Link::respondWith(const QByteArray &reply)
{
    m_instrument->injectFault(Fault::NoReply);
    m_instrument->sendUnsolicited(reply);
}

QList<tst_Link::Operation> tst_Link::operations()
{
    P *p = P::instance();
    int &v = m_value;
    const auto clock = [p](QDate date, QTime time) {
        return [p, date, time] { return p->WriteDateTime(QDateTime(date, time)); };
    };
    return {
        {"firmware", [p, &v] { return p->ReadFirmwareVersion(v); }, hex("AB 20 1C 00 02 00"), true},
        {"production", [this, p] { return p->ReadProductionInfo(m_info); },
         hex("AB 47 00 00 00 00 14 00"), true},
        {"calibration", [this, p] { return p->ReadCalibrationDate(m_date); },
         hex("AB 47 24 00 00 00 06 00"), true},
        {"measure read", [p, &v] { return p->ReadMeasureConfigure(v, v, v, v); },
         hex("AB 47 60 00 00 00 06 00"), true},
        {"measure write", [p] { return p->WriteMeasureConfigure(0, 10, 2, 3); },
         hex("AB 77 60 00 00 00 06 00") + withCrc(hex("00 0A 02 03")), true},
        {"host read", [p, &v] { return p->ReadHostConfigure(v, v, v, v); },
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
        {"group count", [p, &v] { return p->ReadPowerGroupCount(v); },
         hex("AB 41 E0 00 00 00 04 00"), true},
    };
}

void tst_Link::crcKnownAnswer()
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

void tst_Link::requestBytesOfEveryOperation()
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

void tst_Link::successfulReadsDecode()
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

    P *p = P::instance();
    ProductionInfo info;
    QCOMPARE(p->ReadProductionInfo(info), P::Ok);
    QCOMPARE(info.serialNumber, 4000000001u);
    QCOMPARE(info.modelCode, 25633416u);
    QCOMPARE(info.productionDate, QDate(2019, 11, 30));
    QCOMPARE(info.kindByte, quint8(0x5A));
    QCOMPARE(info.auxWord, quint16(0xBEEF));
    QCOMPARE(info.auxByte1, quint8(0x12));
    QCOMPARE(info.auxByte2, quint8(0x34));

    int version = 0, count = -1;
    QCOMPARE(p->ReadFirmwareVersion(version), P::Ok);
    QCOMPARE(version, 23);
    QDate calibrated;
    QCOMPARE(p->ReadCalibrationDate(calibrated), P::Ok);
    QCOMPARE(calibrated, QDate(2026, 2, 28));
    int h[4] = {-9, -9, -9, -9}, s[4] = {};
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), P::Ok);
    QCOMPARE(QList<int>({h[0], h[1], h[2], h[3]}), QList<int>({1, 45, 2, 1}));
    QCOMPARE(p->ReadMeasureConfigure(s[0], s[1], s[2], s[3]), P::Ok);
    QCOMPARE(QList<int>({s[0], s[1], s[2], s[3]}), QList<int>({0, 10, 1, 3}));
    QCOMPARE(p->ReadPowerGroupCount(count), P::Ok);
    QCOMPARE(count, 7);
    QDateTime clock;
    QCOMPARE(p->ReadDateTime(clock), P::Ok);
    QVERIFY(clock >= set && clock <= set.addSecs(5));
    QCOMPARE(clock.timeSpec(), Qt::LocalTime);
    QCOMPARE(clock.time().msec(), 0);
}

void tst_Link::writesChangeInstrumentMemory()
{
    P *p = P::instance();
    QCOMPARE(p->WriteHostConfigure(1, 10, 2, 0), P::Ok);
    QCOMPARE(m_instrument->memory(1, 0x80, 6), withCrc(hex("01 0A 02 00")));
    QCOMPARE(p->WriteMeasureConfigure(0, 10, 2, 3), P::Ok);
    QCOMPARE(m_instrument->memory(7, 0x60, 6), withCrc(hex("00 0A 02 03")));
    int s[4] = {};
    QCOMPARE(p->ReadMeasureConfigure(s[0], s[1], s[2], s[3]), P::Ok);
    QCOMPARE(s[2], 2);
    QCOMPARE(s[3], 3);

    const QDateTime set(QDate(2027, 1, 31), QTime(23, 59, 58));
    QCOMPARE(p->WriteDateTime(set), P::Ok);
    QDateTime back;
    QCOMPARE(p->ReadDateTime(back), P::Ok);
    // The clock runs on from the value set.
    QVERIFY(back >= set && back <= set.addSecs(5));
}

void tst_Link::codeNotSent()
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
    int value = 0;
    QCOMPARE(P::instance()->ReadHostConfigure(value, value, value, value), P::NotSent);
    QCOMPARE(m_troubles, Troubles{Trouble::SendFailed});
    QVERIFY(m_link->IsRemoved());
}

void tst_Link::codeNoValidReply()
{
    P *p = P::instance();
    int value = 7;
    QDateTime when;

    m_instrument->injectFault(Fault::NoReply);
    QCOMPARE(p->ReadFirmwareVersion(value), P::NoReply);
    QCOMPARE(value, 7);
    QVERIFY(m_troubles.isEmpty());

    m_instrument->injectFault(Fault::BadFrameCrc);
    QCOMPARE(p->ReadDateTime(when), P::NoReply);
    QVERIFY(!when.isValid());
    QCOMPARE(m_troubles, Troubles{Trouble::BadFrame});

    // Too little before the deadline: the last read brought nothing, so no CRC check and no box.
    m_troubles.clear();
    m_instrument->injectFault(Fault::ShortReply, 9);
    QCOMPARE(p->ReadPowerGroupCount(value), P::NoReply);
    QCOMPARE(value, 7);
    QVERIFY(m_troubles.isEmpty());

    // Every write operation reports a lost reply the same way.
    const QList<std::function<int()>> writes = {
        [p] { return p->WriteHostConfigure(0, 10, 0, 0); },
        [p] { return p->WriteMeasureConfigure(0, 10, 0, 0); },
        [p] { return p->WriteDateTime(QDateTime::currentDateTime()); },
    };
    for (const auto &write : writes) {
        m_instrument->injectFault(Fault::NoReply);
        QCOMPARE(write(), P::NoReply);
    }
}

void tst_Link::codeBadEcho()
{
    for (const Operation &operation : operations()) {
        m_instrument->injectFault(Fault::WrongEcho);
        QVERIFY2(operation.call() == P::BadEcho, operation.name);
    }
    QVERIFY(m_troubles.isEmpty());
}

void tst_Link::echoAcceptsOneMatchingByte()
{
    P *p = P::instance();
    // Firmware: command byte right, count byte wrong, and the reverse.
    int version = 0;
    respondWith(withCrc(hex("AB 20 1C 00 07 00 17 00")));
    QCOMPARE(p->ReadFirmwareVersion(version), P::Ok);
    QCOMPARE(version, 23);
    respondWith(withCrc(hex("AB 99 1C 00 02 00 18 00")));
    QCOMPARE(p->ReadFirmwareVersion(version), P::Ok);
    QCOMPARE(version, 24);
    respondWith(withCrc(hex("AB 99 1C 00 07 00 19 00")));
    QCOMPARE(p->ReadFirmwareVersion(version), P::BadEcho);
    QCOMPARE(version, 24);

    // Host settings: address right and length wrong, then the reverse.
    const QByteArray block = withCrc(hex("01 0A 02 00"));
    int h[4] = {};
    respondWith(withCrc(hex("AB 41 80 00 00 00 09 00") + block));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), P::Ok);
    QCOMPARE(h[2], 2);
    respondWith(withCrc(hex("AB 41 81 00 00 00 06 00") + block));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), P::Ok);
    respondWith(withCrc(hex("AB 41 81 00 00 00 09 00") + block));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), P::BadEcho);

    // Clock read: register right, count wrong.
    QDateTime when;
    respondWith(withCrc(hex("AB 20 61 00 05 00 1A 0C 07 16 05 09")));
    QCOMPARE(p->ReadDateTime(when), P::Ok);
    QCOMPARE(when, QDateTime(QDate(2026, 12, 7), QTime(22, 5, 9)));
}

void tst_Link::codeBadBlock()
{
    P *p = P::instance();
    ProductionInfo info;
    info.serialNumber = 99;
    m_instrument->corruptBlock(7, 0x00, 18);
    QCOMPARE(p->ReadProductionInfo(info), P::BadBlock);
    QCOMPARE(info.serialNumber, 99u);

    QDate date(2000, 1, 1);
    m_instrument->corruptBlock(7, 0x24, 4);
    QCOMPARE(p->ReadCalibrationDate(date), P::BadBlock);
    QCOMPARE(date, QDate(2000, 1, 1));

    int v[4] = {5, 5, 5, 5};
    m_instrument->corruptBlock(7, 0x60, 4);
    QCOMPARE(p->ReadMeasureConfigure(v[0], v[1], v[2], v[3]), P::BadBlock);
    m_instrument->corruptBlock(1, 0x80, 4);
    QCOMPARE(p->ReadHostConfigure(v[0], v[1], v[2], v[3]), P::BadBlock);
    QCOMPARE(QList<int>({v[0], v[1], v[2], v[3]}), QList<int>({5, 5, 5, 5}));

    // One wrong byte of the stored check is enough for the settings blocks.
    QByteArray halfWrong = withCrc(hex("01 0A 02 00"));
    halfWrong[5] = static_cast<char>(halfWrong.at(5) ^ 0x01);
    m_instrument->setMemory(1, 0x80, halfWrong);
    QCOMPARE(p->ReadHostConfigure(v[0], v[1], v[2], v[3]), P::BadBlock);
    // Writing the block repairs it.
    QCOMPARE(p->WriteHostConfigure(1, 10, 2, 0), P::Ok);
    QCOMPARE(p->ReadHostConfigure(v[0], v[1], v[2], v[3]), P::Ok);
    QVERIFY(m_troubles.isEmpty());
}

void tst_Link::groupCountEitherByteRule()
{
    P *p = P::instance();
    const QByteArray payload = hex("09 00");
    const quint16 crc = Crc16::modbus(payload);
    const quint8 lo = crc & 0xFF, hi = crc >> 8;
    struct Case {
        quint8 stored0, stored1;
        int code;
    };
    const QList<Case> cases = {{lo, hi, P::Ok},
                               {lo, quint8(hi ^ 0xFF), P::Ok},
                               {quint8(lo ^ 0xFF), hi, P::Ok},
                               {quint8(lo ^ 0xFF), quint8(hi ^ 0xFF), P::BadBlock}};
    for (const Case &c : cases) {
        QByteArray stored = payload;
        stored.append(static_cast<char>(c.stored0));
        stored.append(static_cast<char>(c.stored1));
        m_instrument->setMemory(1, 0xE0, stored);
        int count = -1;
        QCOMPARE(p->ReadPowerGroupCount(count), c.code);
        QCOMPARE(count, c.code == P::Ok ? 9 : -1);
    }
    // The second byte is not part of the count.
    m_instrument->writeBlock(1, 0xE0, hex("FF 07"));
    int count = 0;
    QCOMPARE(p->ReadPowerGroupCount(count), P::Ok);
    QCOMPARE(count, 255);
}

void tst_Link::codeNoProbeOnlyAfterDeadline()
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
    ProductionInfo info;
    QCOMPARE(P::instance()->ReadProductionInfo(info), P::NoProbe);
    QVERIFY(timer.elapsed() >= 6000);
}

void tst_Link::impossibleDatesStillSucceed()
{
    P *p = P::instance();
    m_instrument->setProductionDate(2020, 0, 10);
    m_instrument->setSerialNumber(1234);
    ProductionInfo info;
    info.productionDate = QDate();
    QCOMPARE(p->ReadProductionInfo(info), P::Ok);
    QVERIFY(!info.productionDate.isValid());
    QCOMPARE(info.serialNumber, 1234u);

    m_instrument->setCalibrationDate(2021, 2, 30);
    QDate date(2001, 1, 1);
    QCOMPARE(p->ReadCalibrationDate(date), P::Ok);
    QVERIFY(!date.isValid());
}

void tst_Link::repliesSplitAnywhere()
{
    m_instrument->setSerialNumber(777);
    for (int cut = 1; cut < 30; ++cut) {
        m_instrument->injectFault(Fault::SplitReply, cut);
        ProductionInfo info;
        QVERIFY2(P::instance()->ReadProductionInfo(info) == P::Ok,
                 qPrintable(QString::number(cut)));
        QCOMPARE(info.serialNumber, 777u);
    }
    QVERIFY(m_troubles.isEmpty());
}

void tst_Link::untrustedReplyShapes()
{
    P *p = P::instance();
    int h[4] = {};
    // Garbage in front of the frame is dropped in frame mode.
    m_instrument->injectFault(Fault::GarbageBefore, 0, hex("00 13 C7 08 AA"));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), P::Ok);
    // A second frame behind the expected one does not disturb it; it waits for the next read.
    const QByteArray probe = withCrc(hex("AB 22 0D 00 02 00 01 00"));
    m_instrument->injectFault(Fault::SecondFrame, 0, probe);
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), P::Ok);
    QByteArray behind;
    QCOMPARE(m_exchange.ReceiveData(behind, 0, 100, false), 10);
    QCOMPARE(behind, probe);
    // A report of another identifier is dropped by the transport.
    m_instrument->injectFault(Fault::ForeignReport, 0x01);
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), P::Ok);
    QVERIFY(m_troubles.isEmpty());

    // A reply of garbage only: the deadline ends it, no valid reply.
    respondWith(hex("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12"));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), P::NoReply);
    // A frame whose start is right but whose body is nonsense fails its CRC.
    respondWith(hex("AB 41 80 00 00 00 06 00 FF FF FF FF FF FF FF FF FF FF FF FF FF FF"));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), P::NoReply);
    QCOMPARE(m_troubles, Troubles{Trouble::BadFrame});
}

void tst_Link::transportReportFormat()
{
    ScriptedBackend backend({deviceAt("/dev/a", "S1")});
    libHidDevice device;
    QCOMPARE(device.Open(kVendorId, kProductId), 0);
    ScriptedConnection *connection = backend.last;
    QVERIFY(connection);

    QByteArray bytes(125, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i);
    QCOMPARE(device.Write(bytes.constData(), 62, 50), 62);
    QCOMPARE(connection->written.size(), 1);
    QCOMPARE(connection->written.at(0).size(), 64);
    QCOMPARE(quint8(connection->written.at(0).at(0)), quint8(0x3F));
    QCOMPARE(quint8(connection->written.at(0).at(1)), quint8(62));
    QCOMPARE(connection->written.at(0).mid(2, 62), bytes.left(62));

    connection->written.clear();
    QCOMPARE(device.Write(bytes.constData(), 63, 50), 63);
    QCOMPARE(connection->written.size(), 2);
    QCOMPARE(quint8(connection->written.at(0).at(1)), quint8(62));
    QCOMPARE(quint8(connection->written.at(1).at(1)), quint8(1));
    QCOMPARE(connection->written.at(1).at(2), bytes.at(62));

    connection->written.clear();
    QCOMPARE(device.Write(bytes.constData(), 0, 50), 0);
    QVERIFY(connection->written.isEmpty());

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

void tst_Link::transportLeftoverAndForeignReports()
{
    ScriptedBackend backend({deviceAt("/dev/a", "S1")});
    libHidDevice device;
    QCOMPARE(device.Open(kVendorId, kProductId), 0);
    ScriptedConnection *connection = backend.last;

    const QByteArray ten = hex("00 01 02 03 04 05 06 07 08 09");
    connection->input.push_back(inputReport(ten));
    char out[64] = {};
    QCOMPARE(device.Read(out, 8, 50), 8);
    QCOMPARE(QByteArray(out, 8), ten.left(8));
    const int callsBefore = connection->readCalls;
    QCOMPARE(device.Read(out, 2, 50), 2);
    QCOMPARE(QByteArray(out, 2), ten.mid(8));
    QCOMPARE(connection->readCalls, callsBefore); // served from the leftover, no wait

    // Leftover larger than asked: handed out in pieces.
    connection->input.push_back(inputReport(ten));
    QCOMPARE(device.Read(out, 3, 50), 3);
    QCOMPARE(device.Read(out, 3, 50), 3);
    QCOMPARE(QByteArray(out, 3), ten.mid(3, 3));
    // Leftover shorter than asked and nothing more arriving: the leftover is not lost.
    QCOMPARE(device.Read(out, 10, 50), 4);
    QCOMPARE(QByteArray(out, 4), ten.mid(6));

    // Reports of another identifier and malformed lengths.
    connection->input.push_back(inputReport(hex("EE EE"), 0x02));
    connection->input.push_back(inputReport(hex("01 02")));
    QByteArray liar(64, '\x55');
    liar[0] = 0x3F;
    liar[1] = static_cast<char>(250); // claims more than the report holds
    connection->input.push_back(liar);
    connection->input.push_back(QByteArray(1, '\x3F'));
    QByteArray all(200, '\0');
    QCOMPARE(device.Read(all.data(), 200, 50), 2 + 62);
    QCOMPARE(all.left(2), hex("01 02"));
    QCOMPARE(all.mid(2, 62), QByteArray(62, '\x55'));
}

void tst_Link::transportChoosesLastSerial()
{
    ScriptedBackend backend;
    libHidDevice device;
    QCOMPARE(device.Open(kVendorId, kProductId), -1);
    QVERIFY(!device.IsOpen());
    QVERIFY(device.IsRemoved());

    backend.devices = {deviceAt("/dev/a0", "AAA"), deviceAt("/dev/b0", "BBB"),
                       deviceAt("/dev/b1", "BBB", 1), deviceAt("/dev/x", "ZZZ", 0, 0x1234)};
    QCOMPARE(device.Open(kVendorId, kProductId), 0);
    QCOMPARE(backend.opened, QStringList({QStringLiteral("/dev/b1")}));
    // Opening again makes a fresh record.
    QCOMPARE(device.Open(kVendorId, kProductId), 0);
    QCOMPARE(backend.opened.size(), 2);
    QVERIFY(device.IsOpen());
}

void tst_Link::frameModeDropsGarbagePollingModeKeepsIt()
{
    CLinker *link = m_link.get();
    const QByteArray frame = withCrc(hex("AB 22 0D 00 02 00 01 00"));
    m_instrument->sendUnsolicited(hex("11 22 33") + frame);
    QByteArray buffer;
    QCOMPARE(link->Read(buffer, 200, 10), 10);
    QCOMPARE(buffer, frame);

    m_instrument->sendUnsolicited(hex("11 22 33") + frame);
    QByteArray polled;
    QCOMPARE(link->Read(polled, 0, 10), 13);
    QCOMPARE(polled, hex("11 22 33") + frame);

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

void tst_Link::sendAndReceiveEdgeCases()
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
    // In frame mode a part frame stays in the buffer; the last read's result (nothing) is returned.
    m_instrument->sendUnsolicited(hex("AB 41 80"));
    partial.clear();
    QCOMPARE(m_exchange.ReceiveData(partial, 100, 16, false), 0);
    QCOMPARE(partial, hex("AB 41 80"));
    QVERIFY(m_troubles.isEmpty());

    // Garbage in front and a second frame behind: the garbage goes, the frame passes its
    // CRC at the expected place and the size tells that more arrived.
    const QByteArray reply = withCrc(hex("AB 20 1C 00 02 00 17 00"));
    const QByteArray probe = withCrc(hex("AB 22 0D 00 02 00 01 00"));
    m_instrument->injectFault(Fault::NoReply);
    m_instrument->sendUnsolicited(hex("01 02 03") + reply + probe);
    frame = P::firmwareVersionRequest();
    QCOMPARE(m_exchange.SendData(frame, 1000), 8);
    QByteArray two;
    QCOMPARE(m_exchange.ReceiveData(two, 300, 10, true), 17);
    QCOMPARE(two, reply + probe.left(7));
    QVERIFY(m_troubles.isEmpty());

    // Without a link nothing moves and nothing is reported.
    closeLink();
    frame = P::firmwareVersionRequest();
    QCOMPARE(m_exchange.SendData(frame, 1000), -1);
    QCOMPARE(frame, P::firmwareVersionRequest());
    QCOMPARE(m_exchange.ReceiveData(two, 0, 10, true), -1);
    QVERIFY(m_troubles.isEmpty());
}

void tst_Link::linkLifecycle()
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
    int version = 0;
    QCOMPARE(P::instance()->ReadFirmwareVersion(version), P::Ok);

    // An instrument held by another program, or not accessible, does not open.
    closeLink();
    m_instrument->setOpenRefused(true);
    CLinkerUSB refused;
    QCOMPARE(refused.Open(kVendorId, kProductId), -1);
    QVERIFY(!refused.IsOpen());
    m_instrument->setOpenRefused(false, true);
    QCOMPARE(refused.Open(kVendorId, kProductId), -1);
    QCOMPARE(refused.lastOpenError(), HidBackend::OpenError::PermissionDenied);
    m_instrument->setOpenRefused(false, false);
    QVERIFY(openLink());

    // The base link is a link without a device.
    CLinker bare;
    QByteArray buffer;
    QCOMPARE(bare.Read(buffer, 100, 10), 0);
    QCOMPARE(bare.Write(buffer, 100), 0);
    QVERIFY(!bare.IsOpen());
    QVERIFY(bare.IsRemoved());
}

void tst_Link::workerDeliversChunks()
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
    const QByteArray frame = withCrc(hex("AB 22 0D 00 02 00 01 00"));
    m_instrument->sendUnsolicited(frame.left(4));
    QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 3000);
    QTest::qWait(120);
    m_instrument->sendUnsolicited(frame.mid(4));
    QTRY_VERIFY_WITH_TIMEOUT(spy.size() >= 2, 3000);
    QCOMPARE(spy.at(0).at(0).toByteArray(), frame.left(4));
    QCOMPARE(delivered(spy, 1), frame.mid(4));
    control.stop();
    QVERIFY(!control.isRunning());
}

void tst_Link::workerYieldsToPageOperations()
{
    PollingWorkerControl control;
    QSignalSpy spy(&control, &PollingWorkerControl::senddata);
    control.start();
    QTest::qWait(100);
    for (int i = 0; i < 10; ++i) {
        QMutexLocker locker(control.pauseLock());
        int version = 0;
        QCOMPARE(P::instance()->ReadFirmwareVersion(version), P::Ok);
        QCOMPARE(version, 23);
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

void tst_Link::workerStartsAndStops()
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

void tst_Link::pauseLockServesWaitersInTurn()
{
    // A holder that releases and retakes at once must still let a waiter in.
    PauseLock lock;
    std::atomic<bool> done{false};
    std::atomic<int> passes{0};
    QThread *hog = QThread::create([&] {
        lock.lock();
        while (!done.load()) {
            QThread::usleep(200);
            lock.unlock();
            lock.lock();
            ++passes;
        }
        lock.unlock();
    });
    hog->start();
    QTRY_VERIFY(passes.load() > 0);
    for (int i = 0; i < 50; ++i) {
        lock.lock();
        QVERIFY(!lock.tryLock()); // not recursive, and held
        lock.unlock();
    }
    done = true;
    hog->wait();
    delete hog;
    QVERIFY(lock.tryLock());
    lock.unlock();

    // A box raised under the lock waits for its release, in order, and none shows before.
    QVERIFY(!PauseLock::heldByCurrentThread());
    lock.lock();
    QVERIFY(PauseLock::heldByCurrentThread());
    UserPrompts::information(nullptr, QStringLiteral("t"), QStringLiteral("first"));
    UserPrompts::information(nullptr, QStringLiteral("t"), QStringLiteral("second"));
    QVERIFY(m_prompts.isEmpty());
    // Asked for again by its holder: counted and let through instead of waiting for itself.
    const int reentries = PauseLock::reentries();
    lock.lock();
    QCOMPARE(PauseLock::reentries(), reentries + 1);
    lock.unlock();
    QVERIFY(m_prompts.isEmpty());
    lock.unlock();
    QVERIFY(!PauseLock::heldByCurrentThread());
    QCOMPARE(m_prompts.size(), 2);
    QCOMPARE(m_prompts.at(0).text, QStringLiteral("first"));
    QCOMPARE(m_prompts.at(1).text, QStringLiteral("second"));
    QVERIFY(lock.tryLock()); // free again for others
    lock.unlock();
}

void tst_Link::workerSurvivesUnplug()
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
    int version = 0;
    QCOMPARE(P::instance()->ReadFirmwareVersion(version), P::Ok);
}

void tst_Link::parsersAreSafeOnShortInput()
{
    // Every decoder refuses input shorter than its reply instead of reading past it.
    ProductionInfo info;
    QDate date;
    QDateTime when;
    int value = 0;
    int values[4] = {};
    struct Decoder {
        int replyLength;
        std::function<int(const QByteArray &)> parse;
    };
    const QList<Decoder> decoders = {
        {30, [&](const QByteArray &r) { return P::parseProductionInfo(r, info); }},
        {16, [&](const QByteArray &r) { return P::parseCalibrationDate(r, date); }},
        {16, [&](const QByteArray &r) { return P::parseSettingsBlock(r, 0x80, values); }},
        {14, [&](const QByteArray &r) { return P::parseDateTime(r, when); }},
        {14, [&](const QByteArray &r) { return P::parsePowerGroupCount(r, value); }},
        {10, [&](const QByteArray &r) { return P::parseFirmwareVersion(r, value); }},
        {10, [&](const QByteArray &r) { return P::parseWriteReply(r, 0x80); }},
        {8, [&](const QByteArray &r) { return P::parseWriteDateTimeReply(r); }},
    };
    const QByteArray full = withCrc(hex("AB 47 00 00 00 00 14 00") + QByteArray(20, '\0'));
    for (const Decoder &decoder : decoders) {
        for (int size = 0; size < decoder.replyLength; ++size)
            QCOMPARE(decoder.parse(full.left(size)), P::NoReply);
    }
}

QTEST_MAIN(tst_Link)
#include "tst_link.moc"
