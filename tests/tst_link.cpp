// The device link end to end: protocol operations through the main window's exchange,
// the link and the HID transport, against the virtual instrument.
#include "clinkerusb.h"
#include "crc16.h"
#include "firstpagefor415.h"
#include "frameexchange.h"
#include "hidconnection.h"
#include "instrumentprotocol.h"
#include "libhiddevice.h"
#include "mainwindow.h"
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

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray withCrc(QByteArray bytes)
{
    Crc16::append(bytes);
    return bytes;
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

class ScriptedBackend : public HidBackend
{
public:
    QList<HidDeviceInfo> devices;
    QStringList opened;
    ScriptedConnection *last = nullptr;

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
};

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
    void clockOperationsNeverReportNoProbe();
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
    void respondWith(const QByteArray &reply);
    void plugFresh(VirtualInstrument::Family family, quint32 model);

    VirtualInstrument *m_instrument = nullptr;
    VirtualHidBackend *m_backend = nullptr;
    QList<UserPrompts::Prompt> m_prompts;
};

void tst_Link::initTestCase()
{
    UserPrompts::setHandler([this](const UserPrompts::Prompt &prompt) {
        m_prompts.append(prompt);
        return UserPrompts::Answer{};
    });
    m_backend = new VirtualHidBackend(nullptr);
    HidBackend::setCurrent(m_backend);
}

void tst_Link::init()
{
    // Most failures would otherwise wait the instrument's full 6 s.
    InstrumentProtocol::setReceiveTimeoutMs(300);
    m_prompts.clear();
    // A logger: the window starts no polling worker for it, so nothing competes for replies.
    plugFresh(VirtualInstrument::Family::Logger, 5633416);
}

void tst_Link::plugFresh(VirtualInstrument::Family family, quint32 model)
{
    MainWindow::instance()->CloseUSB();
    delete m_instrument;
    m_instrument = new VirtualInstrument(family, model);
    m_backend->setInstrument(m_instrument);
    QVERIFY(MainWindow::instance()->OpenUSB());
    m_instrument->clearRequests();
}

void tst_Link::cleanup()
{
    MainWindow::instance()->CloseUSB();
    m_backend->setInstrument(nullptr);
    delete m_instrument;
    m_instrument = nullptr;
}

void tst_Link::cleanupTestCase()
{
    MainWindow::destroyInstance();
    HidBackend::setCurrent(nullptr);
    delete m_backend;
    UserPrompts::setHandler({});
}

// The instrument swallows the next request and this reply arrives instead.
void tst_Link::respondWith(const QByteArray &reply)
{
    m_instrument->injectFault(VirtualInstrument::Fault::NoReply);
    m_instrument->sendUnsolicited(reply);
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
    InstrumentProtocol *p = InstrumentProtocol::instance();
    int a = 0, b = 0, c = 0, d = 0;
    ProductionInfo info;
    QDate date;
    QDateTime when;
    const QByteArray settings1 = withCrc(hex("00 0A 02 03"));
    const QByteArray settings2 = withCrc(hex("FF 0A 00 01"));
    struct Case {
        const char *name;
        std::function<int()> call;
        QByteArray request;
    };
    const QList<Case> cases = {
        {"firmware", [&] { return p->ReadFirmwareVersion(a); }, hex("AB 20 1C 00 02 00")},
        {"production", [&] { return p->ReadProductionInfo(info); }, hex("AB 47 00 00 00 00 14 00")},
        {"calibration", [&] { return p->ReadCalibrationDate(date); },
         hex("AB 47 24 00 00 00 06 00")},
        {"measure read", [&] { return p->ReadMeasureConfigure(a, b, c, d); },
         hex("AB 47 60 00 00 00 06 00")},
        {"measure write", [&] { return p->WriteMeasureConfigure(0, 10, 2, 3); },
         hex("AB 77 60 00 00 00 06 00") + settings1},
        {"host read", [&] { return p->ReadHostConfigure(a, b, c, d); },
         hex("AB 41 80 00 00 00 06 00")},
        // Settings go out as their low byte: -1 becomes FF.
        {"host write", [&] { return p->WriteHostConfigure(-1, 10, 256, 1); },
         hex("AB 71 80 00 00 00 06 00") + settings2},
        {"clock write",
         [&] { return p->WriteDateTime(QDateTime(QDate(2026, 12, 7), QTime(22, 5, 9, 870))); },
         hex("AB 21 21 00 06 00 1A 0C 07 16 05 09")},
        {"clock write 1999",
         [&] { return p->WriteDateTime(QDateTime(QDate(1999, 1, 2), QTime(3, 4, 5))); },
         hex("AB 21 21 00 06 00 FF 01 02 03 04 05")},
        {"clock write 2256",
         [&] { return p->WriteDateTime(QDateTime(QDate(2256, 1, 2), QTime(3, 4, 5))); },
         hex("AB 21 21 00 06 00 00 01 02 03 04 05")},
        {"clock read", [&] { return p->ReadDateTime(when); }, hex("AB 20 61 00 06 00")},
        {"group count", [&] { return p->ReadPowerGroupCount(a); }, hex("AB 41 E0 00 00 00 04 00")},
    };
    for (const Case &test : cases) {
        m_instrument->clearRequests();
        QCOMPARE(test.call(), 1);
        const QList<QByteArray> seen = m_instrument->requests();
        QVERIFY2(seen.size() == 1, test.name);
        QVERIFY2(seen.first() == withCrc(test.request),
                 qPrintable(QString::fromLatin1(test.name) + ": " +
                            QString::fromLatin1(seen.first().toHex(' '))));
    }
    // A known frame with its CRC spelled out pins the byte order.
    QCOMPARE(withCrc(hex("AB 20 1C 00 02 00")), hex("AB 20 1C 00 02 00 9E F7"));
    QCOMPARE(InstrumentProtocol::powerGroupRequest(0x180 + 0x980 * 2),
             hex("AB 42 80 14 00 00 40 00"));
    QCOMPARE(InstrumentProtocol::powerGroupRequest(240 + 24 * 8), hex("AB 42 B0 01 00 00 40 00"));
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

    InstrumentProtocol *p = InstrumentProtocol::instance();
    ProductionInfo info;
    QCOMPARE(p->ReadProductionInfo(info), 1);
    QCOMPARE(info.serialNumber, 4000000001u);
    QCOMPARE(info.modelCode, 25633416u);
    QCOMPARE(info.productionDate, QDate(2019, 11, 30));
    QCOMPARE(info.kindByte, quint8(0x5A));
    QCOMPARE(info.auxWord, quint16(0xBEEF));
    QCOMPARE(info.auxByte1, quint8(0x12));
    QCOMPARE(info.auxByte2, quint8(0x34));

    int version = 0;
    QCOMPARE(p->ReadFirmwareVersion(version), 1);
    QCOMPARE(version, 23);
    QDate calibrated;
    QCOMPARE(p->ReadCalibrationDate(calibrated), 1);
    QCOMPARE(calibrated, QDate(2026, 2, 28));
    int h[4] = {-9, -9, -9, -9};
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), 1);
    QCOMPARE(QList<int>({h[0], h[1], h[2], h[3]}), QList<int>({1, 45, 2, 1}));
    int s[4] = {};
    QCOMPARE(p->ReadMeasureConfigure(s[0], s[1], s[2], s[3]), 1);
    QCOMPARE(QList<int>({s[0], s[1], s[2], s[3]}), QList<int>({0, 10, 1, 3}));
    int count = -1;
    QCOMPARE(p->ReadPowerGroupCount(count), 1);
    QCOMPARE(count, 7);
    QDateTime clock;
    QCOMPARE(p->ReadDateTime(clock), 1);
    QVERIFY(clock >= set && clock <= set.addSecs(5));
    QCOMPARE(clock.timeSpec(), Qt::LocalTime);
    QCOMPARE(clock.time().msec(), 0);
}

void tst_Link::writesChangeInstrumentMemory()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    QCOMPARE(p->WriteHostConfigure(1, 10, 2, 0), 1);
    QCOMPARE(m_instrument->memory(1, 0x80, 6), withCrc(hex("01 0A 02 00")));
    QCOMPARE(p->WriteMeasureConfigure(0, 10, 2, 3), 1);
    QCOMPARE(m_instrument->memory(7, 0x60, 6), withCrc(hex("00 0A 02 03")));
    int s[4] = {};
    QCOMPARE(p->ReadMeasureConfigure(s[0], s[1], s[2], s[3]), 1);
    QCOMPARE(s[2], 2);
    QCOMPARE(s[3], 3);

    const QDateTime set(QDate(2027, 1, 31), QTime(23, 59, 58));
    QCOMPARE(p->WriteDateTime(set), 1);
    QDateTime back;
    QCOMPARE(p->ReadDateTime(back), 1);
    // The clock runs on from the value set.
    QVERIFY(back >= set && back <= set.addSecs(5));
}

void tst_Link::codeNotSent()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    int value = 0;
    ProductionInfo info;

    // No link: nothing is sent and nothing waits.
    MainWindow::instance()->CloseUSB();
    QVERIFY(!MainWindow::instance()->IsLinkOpen());
    QElapsedTimer timer;
    timer.start();
    InstrumentProtocol::setReceiveTimeoutMs(5000);
    QCOMPARE(p->ReadFirmwareVersion(value), -1);
    QCOMPARE(p->ReadProductionInfo(info), -1);
    QCOMPARE(p->WriteDateTime(QDateTime::currentDateTime()), -1);
    QCOMPARE(p->ReadPowerGroupCount(value), -1);
    QVERIFY(timer.elapsed() < 4000);
    QVERIFY(m_prompts.isEmpty());
    QVERIFY(m_instrument->requests().isEmpty());

    // A link whose instrument has gone: the write fails and the user hears of it.
    QVERIFY(MainWindow::instance()->OpenUSB());
    m_instrument->unplug();
    QCOMPARE(p->ReadHostConfigure(value, value, value, value), -1);
    QCOMPARE(m_prompts.size(), 1);
    QCOMPARE(m_prompts.first().title, QStringLiteral("information"));
    QCOMPARE(m_prompts.first().text, QStringLiteral("Send data Error！"));
    QVERIFY(MainWindow::instance()->link()->IsRemoved());
}

void tst_Link::codeNoValidReply()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    int value = 7;
    QDateTime when;

    m_instrument->injectFault(VirtualInstrument::Fault::NoReply);
    QCOMPARE(p->ReadFirmwareVersion(value), -2);
    QCOMPARE(value, 7);
    QVERIFY(m_prompts.isEmpty());

    m_instrument->injectFault(VirtualInstrument::Fault::BadFrameCrc);
    QCOMPARE(p->ReadDateTime(when), -2);
    QVERIFY(!when.isValid());
    QCOMPARE(m_prompts.size(), 1);
    QCOMPARE(m_prompts.first().text, QStringLiteral("Message format error！"));

    // Too little before the deadline: the last read brought nothing, so no CRC check and no box.
    m_prompts.clear();
    m_instrument->injectFault(VirtualInstrument::Fault::ShortReply, 9);
    QCOMPARE(p->ReadPowerGroupCount(value), -2);
    QCOMPARE(value, 7);
    QVERIFY(m_prompts.isEmpty());

    // Every write operation reports a lost reply the same way.
    m_instrument->injectFault(VirtualInstrument::Fault::NoReply);
    QCOMPARE(p->WriteHostConfigure(0, 10, 0, 0), -2);
    m_instrument->injectFault(VirtualInstrument::Fault::NoReply);
    QCOMPARE(p->WriteMeasureConfigure(0, 10, 0, 0), -2);
    m_instrument->injectFault(VirtualInstrument::Fault::NoReply);
    QCOMPARE(p->WriteDateTime(QDateTime::currentDateTime()), -2);
}

void tst_Link::codeBadEcho()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    int a = 0, b = 0, c = 0, d = 0;
    ProductionInfo info;
    QDate date;
    QDateTime when;
    const QList<std::function<int()>> operations = {
        [&] { return p->ReadFirmwareVersion(a); },
        [&] { return p->ReadProductionInfo(info); },
        [&] { return p->ReadCalibrationDate(date); },
        [&] { return p->ReadMeasureConfigure(a, b, c, d); },
        [&] { return p->WriteMeasureConfigure(0, 10, 0, 0); },
        [&] { return p->ReadHostConfigure(a, b, c, d); },
        [&] { return p->WriteHostConfigure(0, 10, 0, 0); },
        [&] { return p->WriteDateTime(QDateTime::currentDateTime()); },
        [&] { return p->ReadDateTime(when); },
        [&] { return p->ReadPowerGroupCount(a); },
    };
    int index = 0;
    for (const auto &operation : operations) {
        m_instrument->injectFault(VirtualInstrument::Fault::WrongEcho);
        QVERIFY2(operation() == -3, qPrintable(QString::number(index)));
        ++index;
    }
    QVERIFY(m_prompts.isEmpty());
}

void tst_Link::echoAcceptsOneMatchingByte()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    // Firmware: command byte right, count byte wrong, and the reverse.
    int version = 0;
    respondWith(withCrc(hex("AB 20 1C 00 07 00 17 00")));
    QCOMPARE(p->ReadFirmwareVersion(version), 1);
    QCOMPARE(version, 23);
    respondWith(withCrc(hex("AB 99 1C 00 02 00 18 00")));
    QCOMPARE(p->ReadFirmwareVersion(version), 1);
    QCOMPARE(version, 24);
    respondWith(withCrc(hex("AB 99 1C 00 07 00 19 00")));
    QCOMPARE(p->ReadFirmwareVersion(version), -3);
    QCOMPARE(version, 24);

    // Host settings: address right and length wrong, then the reverse.
    const QByteArray block = withCrc(hex("01 0A 02 00"));
    int h[4] = {};
    respondWith(withCrc(hex("AB 41 80 00 00 00 09 00") + block));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), 1);
    QCOMPARE(h[2], 2);
    respondWith(withCrc(hex("AB 41 81 00 00 00 06 00") + block));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), 1);
    respondWith(withCrc(hex("AB 41 81 00 00 00 09 00") + block));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), -3);

    // Clock read: register right, count wrong.
    QDateTime when;
    respondWith(withCrc(hex("AB 20 61 00 05 00 1A 0C 07 16 05 09")));
    QCOMPARE(p->ReadDateTime(when), 1);
    QCOMPARE(when, QDateTime(QDate(2026, 12, 7), QTime(22, 5, 9)));
}

void tst_Link::codeBadBlock()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    ProductionInfo info;
    info.serialNumber = 99;
    m_instrument->corruptBlock(7, 0x00, 18);
    QCOMPARE(p->ReadProductionInfo(info), -4);
    QCOMPARE(info.serialNumber, 99u);

    QDate date(2000, 1, 1);
    m_instrument->corruptBlock(7, 0x24, 4);
    QCOMPARE(p->ReadCalibrationDate(date), -4);
    QCOMPARE(date, QDate(2000, 1, 1));

    int v[4] = {5, 5, 5, 5};
    m_instrument->corruptBlock(7, 0x60, 4);
    QCOMPARE(p->ReadMeasureConfigure(v[0], v[1], v[2], v[3]), -4);
    m_instrument->corruptBlock(1, 0x80, 4);
    QCOMPARE(p->ReadHostConfigure(v[0], v[1], v[2], v[3]), -4);
    QCOMPARE(QList<int>({v[0], v[1], v[2], v[3]}), QList<int>({5, 5, 5, 5}));

    // One wrong byte of the stored check is enough for the settings blocks.
    const QByteArray good = withCrc(hex("01 0A 02 00"));
    QByteArray halfWrong = good;
    halfWrong[5] = static_cast<char>(halfWrong.at(5) ^ 0x01);
    m_instrument->setMemory(1, 0x80, halfWrong);
    QCOMPARE(p->ReadHostConfigure(v[0], v[1], v[2], v[3]), -4);
    // Writing the block repairs it.
    QCOMPARE(p->WriteHostConfigure(1, 10, 2, 0), 1);
    QCOMPARE(p->ReadHostConfigure(v[0], v[1], v[2], v[3]), 1);
    QVERIFY(m_prompts.isEmpty());
}

void tst_Link::groupCountEitherByteRule()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    const QByteArray payload = hex("09 00");
    const quint16 crc = Crc16::modbus(payload);
    const quint8 lo = crc & 0xFF, hi = crc >> 8;
    struct Case {
        quint8 stored0, stored1;
        int code;
    };
    const QList<Case> cases = {{lo, hi, 1},
                               {lo, quint8(hi ^ 0xFF), 1},
                               {quint8(lo ^ 0xFF), hi, 1},
                               {quint8(lo ^ 0xFF), quint8(hi ^ 0xFF), -4}};
    for (const Case &c : cases) {
        QByteArray stored = payload;
        stored.append(static_cast<char>(c.stored0));
        stored.append(static_cast<char>(c.stored1));
        m_instrument->setMemory(1, 0xE0, stored);
        int count = -1;
        QCOMPARE(p->ReadPowerGroupCount(count), c.code);
        QCOMPARE(count, c.code == 1 ? 9 : -1);
    }
    // The second byte is not part of the count.
    m_instrument->writeBlock(1, 0xE0, hex("FF 07"));
    int count = 0;
    QCOMPARE(p->ReadPowerGroupCount(count), 1);
    QCOMPARE(count, 255);
}

void tst_Link::codeNoProbeOnlyAfterDeadline()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    m_instrument->setProbeConnected(false);
    QTest::qWait(20);
    // Drop the probe notification that went out with the change.
    QByteArray drained;
    MainWindow::instance()->ReceiveData(drained, 0, 100, false);

    int value = 0;
    ProductionInfo info;
    QElapsedTimer timer;
    const QList<std::function<int()>> operations = {
        [&] { return p->ReadFirmwareVersion(value); },
        [&] { return p->ReadProductionInfo(info); },
        [&] { return p->ReadPowerGroupCount(value); },
        [&] { return p->WriteHostConfigure(0, 10, 0, 0); },
    };
    for (const auto &operation : operations) {
        timer.start();
        QCOMPARE(operation(), -5);
        // The short error frame is recognised only once the reply deadline has passed.
        QVERIFY(timer.elapsed() >= InstrumentProtocol::receiveTimeoutMs());
    }
    QVERIFY(m_prompts.isEmpty());

    // Once with the real deadline.
    InstrumentProtocol::setReceiveTimeoutMs(InstrumentProtocol::DefaultReceiveTimeoutMs);
    timer.start();
    QCOMPARE(p->ReadProductionInfo(info), -5);
    QVERIFY(timer.elapsed() >= 6000);
}

void tst_Link::clockOperationsNeverReportNoProbe()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    m_instrument->setProbeConnected(false);
    QTest::qWait(20);
    QByteArray drained;
    MainWindow::instance()->ReceiveData(drained, 0, 100, false);
    QDateTime when;
    QCOMPARE(p->ReadDateTime(when), -2);
    QCOMPARE(p->WriteDateTime(QDateTime::currentDateTime()), -2);
    QVERIFY(!when.isValid());
    QVERIFY(m_prompts.isEmpty());
}

void tst_Link::impossibleDatesStillSucceed()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    m_instrument->setProductionDate(2020, 0, 10);
    m_instrument->setSerialNumber(1234);
    ProductionInfo info;
    info.productionDate = QDate();
    QCOMPARE(p->ReadProductionInfo(info), 1);
    QVERIFY(!info.productionDate.isValid());
    QCOMPARE(info.serialNumber, 1234u);

    m_instrument->setCalibrationDate(2021, 2, 30);
    QDate date(2001, 1, 1);
    QCOMPARE(p->ReadCalibrationDate(date), 1);
    QVERIFY(!date.isValid());
}

void tst_Link::repliesSplitAnywhere()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    m_instrument->setSerialNumber(777);
    for (int cut = 1; cut < 30; ++cut) {
        m_instrument->injectFault(VirtualInstrument::Fault::SplitReply, cut);
        ProductionInfo info;
        QVERIFY2(p->ReadProductionInfo(info) == 1, qPrintable(QString::number(cut)));
        QCOMPARE(info.serialNumber, 777u);
    }
    QVERIFY(m_prompts.isEmpty());
}

void tst_Link::untrustedReplyShapes()
{
    InstrumentProtocol *p = InstrumentProtocol::instance();
    int h[4] = {};
    // Garbage in front of the frame is dropped in frame mode.
    m_instrument->injectFault(VirtualInstrument::Fault::GarbageBefore, 0, hex("00 13 C7 08 AA"));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), 1);
    // A second frame behind the expected one does not disturb it; it waits for the next read.
    const QByteArray probe = withCrc(hex("AB 22 0D 00 02 00 01 00"));
    m_instrument->injectFault(VirtualInstrument::Fault::SecondFrame, 0, probe);
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), 1);
    QByteArray behind;
    QCOMPARE(MainWindow::instance()->ReceiveData(behind, 0, 100, false), 10);
    QCOMPARE(behind, probe);
    // A report of another identifier is dropped by the transport.
    m_instrument->injectFault(VirtualInstrument::Fault::ForeignReport, 0x01);
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), 1);
    QVERIFY(m_prompts.isEmpty());

    // A reply of garbage only: the deadline ends it, no valid reply.
    respondWith(hex("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12"));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), -2);
    // A frame whose start is right but whose body is nonsense fails its CRC.
    m_prompts.clear();
    respondWith(hex("AB 41 80 00 00 00 06 00 FF FF FF FF FF FF FF FF FF FF FF FF FF FF"));
    QCOMPARE(p->ReadHostConfigure(h[0], h[1], h[2], h[3]), -2);
    QCOMPARE(m_prompts.size(), 1);
}

void tst_Link::transportReportFormat()
{
    ScriptedBackend backend;
    backend.devices = {{QStringLiteral("/dev/a"), QStringLiteral("S1"), 0, 0x2047, 0x0301}};
    HidBackend::setCurrent(&backend);
    libHidDevice device;
    QCOMPARE(device.Open(0x2047, 0x0301), 0);
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
    HidBackend::setCurrent(m_backend);
}

void tst_Link::transportLeftoverAndForeignReports()
{
    ScriptedBackend backend;
    backend.devices = {{QStringLiteral("/dev/a"), QStringLiteral("S1"), 0, 0x2047, 0x0301}};
    HidBackend::setCurrent(&backend);
    libHidDevice device;
    QCOMPARE(device.Open(0x2047, 0x0301), 0);
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
    const int got = device.Read(all.data(), 200, 50);
    QCOMPARE(got, 2 + 62);
    QCOMPARE(all.left(2), hex("01 02"));
    QCOMPARE(all.mid(2, 62), QByteArray(62, '\x55'));
    HidBackend::setCurrent(m_backend);
}

void tst_Link::transportChoosesLastSerial()
{
    ScriptedBackend backend;
    HidBackend::setCurrent(&backend);
    libHidDevice device;
    QCOMPARE(device.Open(0x2047, 0x0301), -1);
    QVERIFY(!device.IsOpen());
    QVERIFY(device.IsRemoved());

    backend.devices = {
        {QStringLiteral("/dev/a0"), QStringLiteral("AAA"), 0, 0x2047, 0x0301},
        {QStringLiteral("/dev/b0"), QStringLiteral("BBB"), 0, 0x2047, 0x0301},
        {QStringLiteral("/dev/b1"), QStringLiteral("BBB"), 1, 0x2047, 0x0301},
        {QStringLiteral("/dev/x"), QStringLiteral("ZZZ"), 0, 0x1234, 0x0301},
    };
    QCOMPARE(device.Open(0x2047, 0x0301), 0);
    QCOMPARE(backend.opened, QStringList({QStringLiteral("/dev/b1")}));
    // Opening again makes a fresh record.
    QCOMPARE(device.Open(0x2047, 0x0301), 0);
    QCOMPARE(backend.opened.size(), 2);
    QVERIFY(device.IsOpen());
    HidBackend::setCurrent(m_backend);
}

void tst_Link::frameModeDropsGarbagePollingModeKeepsIt()
{
    CLinker *link = MainWindow::instance()->link();
    QVERIFY(link);
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
    MainWindow *window = MainWindow::instance();
    QByteArray frame = InstrumentProtocol::firmwareVersionRequest();
    QCOMPARE(window->SendData(frame, 1000), 8);
    QCOMPARE(frame.size(), 8);
    // The same buffer again carries the first CRC as data.
    QCOMPARE(window->SendData(frame, 1000), 10);
    // The instrument reads the first eight bytes as a request again and skips the rest.
    const QList<QByteArray> seen = m_instrument->requests();
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.at(1), frame.left(8));
    QByteArray replies;
    QCOMPARE(window->ReceiveData(replies, 300, 20, false), 20);

    // With the CRC check off whatever arrived is returned.
    m_instrument->sendUnsolicited(hex("AB 41 80"));
    QByteArray partial;
    QCOMPARE(window->ReceiveData(partial, 0, 16, false), 3);
    QCOMPARE(partial, hex("AB 41 80"));
    // In frame mode a part frame stays in the buffer; the last read's result (nothing) is returned.
    m_instrument->sendUnsolicited(hex("AB 41 80"));
    partial.clear();
    QCOMPARE(window->ReceiveData(partial, 100, 16, false), 0);
    QCOMPARE(partial, hex("AB 41 80"));
    QVERIFY(m_prompts.isEmpty());

    // Garbage in front and a second frame behind: the garbage goes, the frame passes its
    // CRC at the expected place and the size tells that more arrived.
    const QByteArray reply = withCrc(hex("AB 20 1C 00 02 00 17 00"));
    const QByteArray probe = withCrc(hex("AB 22 0D 00 02 00 01 00"));
    m_instrument->injectFault(VirtualInstrument::Fault::NoReply);
    m_instrument->sendUnsolicited(hex("01 02 03") + reply + probe);
    frame = InstrumentProtocol::firmwareVersionRequest();
    QCOMPARE(window->SendData(frame, 1000), 8);
    QByteArray two;
    QCOMPARE(window->ReceiveData(two, 300, 10, true), 17);
    QCOMPARE(two, reply + probe.left(7));
    QVERIFY(m_prompts.isEmpty());
}

void tst_Link::linkLifecycle()
{
    MainWindow *window = MainWindow::instance();
    QPointer<CLinker> first = window->link();
    QVERIFY(first);
    QVERIFY(window->OpenUSB()); // a second arrival changes nothing
    QCOMPARE(window->link(), first.data());
    QVERIFY(!first->IsRemoved());

    m_instrument->unplug();
    QVERIFY(first->IsRemoved());
    window->CloseUSB();
    QVERIFY(first.isNull());
    QVERIFY(!window->IsLinkOpen());
    QVERIFY(!window->OpenUSB()); // nothing plugged

    m_instrument->plug();
    QVERIFY(window->OpenUSB());
    QVERIFY(window->link());
    int version = 0;
    QCOMPARE(InstrumentProtocol::instance()->ReadFirmwareVersion(version), 1);

    // An instrument held by another program, or not accessible, does not open.
    window->CloseUSB();
    m_instrument->setOpenRefused(true);
    QVERIFY(!window->OpenUSB());
    QVERIFY(!window->link());
    m_instrument->setOpenRefused(false);
    QVERIFY(window->OpenUSB());

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
    QByteArray all;
    for (const QList<QVariant> &args : spy)
        all += args.at(0).toByteArray();
    QCOMPARE(all, withCrc(hex("AB 22 0D 00 02 00 00 00")));

    // A frame cut over two reports that arrive in different passes is delivered as it came.
    spy.clear();
    const QByteArray frame = withCrc(hex("AB 22 0D 00 02 00 01 00"));
    m_instrument->sendUnsolicited(frame.left(4));
    QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 3000);
    QTest::qWait(120);
    m_instrument->sendUnsolicited(frame.mid(4));
    QTRY_VERIFY_WITH_TIMEOUT(spy.size() >= 2, 3000);
    QCOMPARE(spy.at(0).at(0).toByteArray(), frame.left(4));
    QByteArray rest;
    for (int i = 1; i < spy.size(); ++i)
        rest += spy.at(i).at(0).toByteArray();
    QCOMPARE(rest, frame.mid(4));
    control.stop();
    QVERIFY(!control.isRunning());
}

void tst_Link::workerYieldsToPageOperations()
{
    PollingWorkerControl control;
    QSignalSpy spy(&control, &PollingWorkerControl::senddata);
    control.start();
    QTest::qWait(100);
    InstrumentProtocol *p = InstrumentProtocol::instance();
    for (int i = 0; i < 10; ++i) {
        QMutexLocker locker(control.pauseLock());
        int version = 0;
        QCOMPARE(p->ReadFirmwareVersion(version), 1);
        QCOMPARE(version, 23);
    }
    QTest::qWait(200);
    QVERIFY(spy.isEmpty()); // the worker never swallowed a reply
    QVERIFY(m_prompts.isEmpty());

    // Without the lock the worker collects the replies: this is how group replies arrive.
    control.stop();
    plugFresh(VirtualInstrument::Family::Meter, 7001297);
    MainWindow::instance()->meterPage()->closeThreadSlot(); // the page's own worker
    control.start();
    QByteArray request = InstrumentProtocol::powerGroupRequest(0xF0);
    m_instrument->setMeterGroups({{1, 2, 3, 4, 5, 6}});
    QCOMPARE(MainWindow::instance()->SendData(request, 1000), 10);
    QTRY_VERIFY_WITH_TIMEOUT(!spy.isEmpty(), 3000);
    QByteArray collected;
    QTRY_VERIFY_WITH_TIMEOUT(([&] {
                                 collected.clear();
                                 for (const QList<QVariant> &args : spy)
                                     collected += args.at(0).toByteArray();
                                 return collected.size() >= 34;
                             }()),
                             3000);
    QCOMPARE(collected.left(8), hex("AB 42 F0 00 00 00 18 00"));
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
    m_prompts.clear();
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
    QVERIFY(MainWindow::instance()->link()->IsRemoved());
    control.stop();
    MainWindow::instance()->CloseUSB();

    // Unplugged at a random moment inside a pass, many times over.
    for (int round = 0; round < 5; ++round) {
        m_instrument->plug();
        QVERIFY(MainWindow::instance()->OpenUSB());
        control.start();
        m_instrument->sendUnsolicited(QByteArray(400, '\x11'));
        m_instrument->unplugAfterReports(1 + round);
        QTest::qWait(30 + 17 * round);
        control.stop();
        MainWindow::instance()->CloseUSB();
        // On a slow machine the worker may not have read that many reports yet; the
        // cable goes anyway so that the armed count cannot fire in the next round.
        m_instrument->unplug();
    }
    m_instrument->plug();
    QVERIFY(MainWindow::instance()->OpenUSB());
    int version = 0;
    QCOMPARE(InstrumentProtocol::instance()->ReadFirmwareVersion(version), 1);
}

void tst_Link::parsersAreSafeOnShortInput()
{
    // Every decoder refuses input shorter than its reply instead of reading past it.
    ProductionInfo info;
    QDate date;
    QDateTime when;
    int value = 0;
    int values[4] = {};
    const QByteArray full = withCrc(hex("AB 47 00 00 00 00 14 00") + QByteArray(20, '\0'));
    for (int size = 0; size < full.size(); ++size) {
        const QByteArray cut = full.left(size);
        QCOMPARE(InstrumentProtocol::parseProductionInfo(cut, info), -2);
        QCOMPARE(InstrumentProtocol::parseCalibrationDate(cut.left(qMin(size, 15)), date), -2);
        QCOMPARE(InstrumentProtocol::parseSettingsBlock(cut.left(qMin(size, 15)), 0x80, values),
                 -2);
        QCOMPARE(InstrumentProtocol::parseDateTime(cut.left(qMin(size, 13)), when), -2);
        QCOMPARE(InstrumentProtocol::parsePowerGroupCount(cut.left(qMin(size, 13)), value), -2);
        QCOMPARE(InstrumentProtocol::parseFirmwareVersion(cut.left(qMin(size, 9)), value), -2);
        QCOMPARE(InstrumentProtocol::parseWriteReply(cut.left(qMin(size, 9)), 0x80), -2);
        QCOMPARE(InstrumentProtocol::parseWriteDateTimeReply(cut.left(qMin(size, 7))), -2);
    }
}

QTEST_MAIN(tst_Link)
#include "tst_link.moc"
