// Fault scenarios end to end: the real pages against the virtual instrument, which is
// unplugged at random moments and fed random faults. Every run must end with the page
// idle (not busy, no pause lock held) and a working connection after re-plugging.
// SOLVANE_FAULT_SEEDS=n runs n seeds per scenario (default 6); a failure names its seed.
#include "devicemonitor.h"
#include "firstpagefor415.h"
#include "firstpagefor416.h"
#include "instrumentprotocol.h"
#include "mainwindow.h"
#include "pauselock.h"
#include "pollingworkercontrol.h"
#include "reportpagefor415.h"
#include "reportpagefor416.h"
#include "tableopwidget.h"
#include "userprompts.h"
#include "virtualdevicemonitor.h"
#include "virtualhidbackend.h"
#include "virtualinstrument.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using Fault = VirtualInstrument::Fault;

QVector<VirtualInstrument::MeterGroup> meterGroups()
{
    QVector<VirtualInstrument::MeterGroup> groups;
    for (int i = 0; i < 9; ++i) {
        const float base = 1000.25f + 111.5f * i;
        groups.append(
            {base, base + 50.5f, base - 40.125f, base + 3.0625f, 2500.75f + i, 60.5f + i});
    }
    return groups;
}

QVector<VirtualInstrument::Recording> recordings(int count, int samples)
{
    QVector<VirtualInstrument::Recording> list;
    for (int g = 0; g < count; ++g) {
        QVector<float> values;
        for (int k = 0; k < samples; ++k)
            values.append(100.0f * (g + 1) + 0.25f * static_cast<float>((k * 7) % 13));
        list.append({QDateTime(QDate(2024, 5, 1 + g), QTime(8, g, 15)), values});
    }
    return list;
}

// Random bytes that cannot start a frame, so they cannot pass for data either.
QByteArray noise(QRandomGenerator &rng, int maxLength)
{
    QByteArray bytes;
    const int n = static_cast<int>(rng.bounded(1, maxLength + 1));
    while (bytes.size() < n) {
        const auto b = static_cast<char>(rng.bounded(256));
        if (static_cast<quint8>(b) != 0xAB)
            bytes.append(b);
    }
    return bytes;
}

// Unplugs the instrument from another thread after a delay, the way a cable is pulled
// whatever the program is doing at that moment.
class DelayedUnplug
{
public:
    DelayedUnplug(VirtualInstrument *instrument, int microseconds)
        : m_thread([this, instrument, microseconds] {
              std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
              instrument->unplug();
              m_fired = true;
          })
    {
    }
    ~DelayedUnplug() { m_thread.join(); }
    DelayedUnplug(const DelayedUnplug &) = delete;
    DelayedUnplug &operator=(const DelayedUnplug &) = delete;

    bool fired() const { return m_fired; }

private:
    std::atomic<bool> m_fired{false};
    std::thread m_thread;
};

// Arms one of the three ways to pull the cable; `reports` and `requests` bound the
// counted ways to the exchange at hand, `maxUs` the timed one.
std::unique_ptr<DelayedUnplug> armUnplug(VirtualInstrument *instrument, QRandomGenerator &rng,
                                         int reports, int requests, int maxUs)
{
    switch (rng.bounded(3)) {
    case 0:
        instrument->unplugAfterReports(static_cast<int>(rng.bounded(1, reports + 1)));
        return nullptr;
    case 1:
        instrument->unplugAfterRequests(static_cast<int>(rng.bounded(1, requests + 1)));
        return nullptr;
    default:
        return std::make_unique<DelayedUnplug>(instrument,
                                               static_cast<int>(rng.bounded(maxUs + 1)));
    }
}

QStringList rowTexts(const QTableWidget *table, int row, int columns)
{
    QStringList texts;
    for (int c = 0; c < columns; ++c) {
        const QTableWidgetItem *item = table->item(row, c);
        texts.append(item ? item->text() : QStringLiteral("<none>"));
    }
    return texts;
}

QList<QStringList> allRows(const QTableWidget *table, int columns)
{
    QList<QStringList> rows;
    for (int r = 0; r < table->rowCount(); ++r)
        rows.append(rowTexts(table, r, columns));
    return rows;
}

} // namespace

class tst_Faults : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { m_opened.append(url); }

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void meterFetchUnplugged();
    void meterFetchWithRandomFaults();
    void meterSetupWriteUnplugged();
    void loggerDownloadUnplugged();
    void loggerDownloadWithRandomFaults();
    void loggerSetupAndClockUnplugged();
    void reportsAndExportUnplugged();
    void boxesRunEventLoops();

private:
    QList<quint32> seeds() const;
    QString where() const { return QStringLiteral("seed %1").arg(m_seed); }

    void startMeter();
    void startLogger(int recordings, int samples);
    FirstPageFor415 *meterPage() const { return MainWindow::instance()->meterPage(); }
    FirstPageFor416 *loggerPage() const { return MainWindow::instance()->loggerPage(); }
    QTableWidget *table(QWidget *page) const
    {
        return page->findChild<QTableWidget *>(QStringLiteral("tbData"));
    }
    void click(QWidget *page, const char *name)
    {
        page->findChild<QPushButton *>(QString::fromLatin1(name))->click();
    }
    TableOpWidget *ops(QWidget *page, int row) const
    {
        return qobject_cast<TableOpWidget *>(table(page)->cellWidget(row, 7));
    }
    // Prints the page's newest report to a PDF file, checks the file and closes the report.
    template <typename Report> void printLastReport(QWidget *page, const QString &pdfPath)
    {
        const QList<Report *> reports = page->findChildren<Report *>();
        QVERIFY(!reports.isEmpty());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        reports.last()->printTo(&printer);
        QFile pdf(pdfPath);
        QVERIFY2(pdf.open(QIODevice::ReadOnly) && pdf.read(4) == "%PDF", qPrintable(where()));
        reports.last()->close();
    }
    QList<QStringList> meterFetch();
    QList<QStringList> loggerDownload();

    // The checks every scenario ends with.
    void checkMeterIdleAndUnplugged();
    void checkLoggerIdleAndUnplugged();
    void replug(QWidget *page);
    // Lets a timed unplug happen (events flowing) before the checks, so it cannot strike
    // the next connection.
    void settle(std::unique_ptr<DelayedUnplug> &unplug);
    void unplugIfStillPlugged();
    // Arms a random unplug (bounded by the exchange's reports and requests, or a delay up to
    // maxUs), runs `action`, checks the page of the instrument's family ended idle and
    // re-plugs. False when a check failed.
    bool pullCableDuring(QRandomGenerator &rng, int reports, int requests, int maxUs,
                         const std::function<void()> &action);

    // A box answered the way a real modal box is: its event loop runs for a while, and in it
    // the cable may be pulled or the probe come and go while the page's timers fire.
    UserPrompts::Answer answerWithEventLoop(const UserPrompts::Prompt &prompt);
    void runBoxScenario(const QString &name, const std::function<void()> &action);

    bool m_boxLoops = false;
    int m_boxDepth = 0;
    int m_boxesUnderLock = 0;
    QRandomGenerator m_boxRng;
    QString m_printTo;

    std::unique_ptr<VirtualHidBackend> m_backend;
    std::unique_ptr<VirtualInstrument> m_instrument;
    QList<UserPrompts::Prompt> m_prompts;
    QList<QUrl> m_opened;
    QString m_saveAs;
    quint32 m_seed = 0;
};

void tst_Faults::initTestCase()
{
    UserPrompts::setHandler([this](const UserPrompts::Prompt &prompt) {
        m_prompts.append(prompt);
        if (PauseLock::heldByCurrentThread())
            ++m_boxesUnderLock;
        if (prompt.kind == UserPrompts::Kind::Print && prompt.printer && !m_printTo.isEmpty()) {
            prompt.printer->setOutputFormat(QPrinter::PdfFormat);
            prompt.printer->setOutputFileName(m_printTo);
        }
        UserPrompts::Answer answer = answerWithEventLoop(prompt);
        if (prompt.kind == UserPrompts::Kind::SaveFile) {
            answer.fileName = m_saveAs;
            answer.accepted = !m_saveAs.isEmpty();
        }
        return answer;
    });
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    m_backend = std::make_unique<VirtualHidBackend>(nullptr);
    HidBackend::setCurrent(m_backend.get());
    DeviceMonitor::setFactory([this](QObject *parent) -> DeviceMonitor * {
        return new VirtualDeviceMonitor(m_instrument.get(), parent);
    });
}

void tst_Faults::init()
{
    InstrumentProtocol::setReceiveTimeoutMs(300);
    FirstPageFor415::setFetchTimeoutMs(1000);
    FirstPageFor416::setStallTimeoutMs(600);
    FirstPageFor416::setClockHoldMs(0);
    m_prompts.clear();
    m_saveAs.clear();
    m_printTo.clear();
    m_boxLoops = false;
    m_boxesUnderLock = 0;
}

void tst_Faults::cleanup()
{
    MainWindow::destroyInstance();
    m_backend->setInstrument(nullptr);
    m_instrument.reset();
}

void tst_Faults::cleanupTestCase()
{
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    HidBackend::setCurrent(nullptr);
    DeviceMonitor::setFactory({});
    UserPrompts::setHandler({});
}

QList<quint32> tst_Faults::seeds() const
{
    const int count = qEnvironmentVariableIsSet("SOLVANE_FAULT_SEEDS")
                          ? qMax(1, qEnvironmentVariableIntValue("SOLVANE_FAULT_SEEDS"))
                          : 6;
    QList<quint32> list;
    for (int i = 1; i <= count; ++i)
        list.append(static_cast<quint32>(i));
    return list;
}

void tst_Faults::startMeter()
{
    MainWindow::destroyInstance();
    m_instrument = std::make_unique<VirtualInstrument>(VirtualInstrument::Family::Meter, 7001297);
    m_instrument->setMeterGroups(meterGroups());
    m_instrument->setMeasureSettings(0, 10, 0, 0);
    m_instrument->setReportIntervalMicroseconds(1000);
    m_backend->setInstrument(m_instrument.get());
    MainWindow::instance();
    QCOMPARE(MainWindow::instance()->family(), 415);
    QVERIFY(meterPage()->workerControl()->isRunning());
}

void tst_Faults::startLogger(int count, int samples)
{
    MainWindow::destroyInstance();
    m_instrument = std::make_unique<VirtualInstrument>(VirtualInstrument::Family::Logger, 5633416);
    m_instrument->setRecordings(recordings(count, samples));
    m_instrument->setHostSettings(0, 5, 1, 0);
    m_instrument->setReportIntervalMicroseconds(1000);
    m_backend->setInstrument(m_instrument.get());
    MainWindow::instance();
    QCOMPARE(MainWindow::instance()->family(), 416);
    QTRY_VERIFY(
        loggerPage()->findChild<QPushButton *>(QStringLiteral("readDateTimeBtn"))->isEnabled());
}

QList<QStringList> tst_Faults::meterFetch()
{
    click(meterPage(), "GetDataBtn");
    // A fetch ends within its time-out; waiting is bounded here as well.
    QElapsedTimer waited;
    waited.start();
    while (meterPage()->busy && waited.elapsed() < 5000)
        QTest::qWait(10);
    return allRows(table(meterPage()), 7);
}

QList<QStringList> tst_Faults::loggerDownload()
{
    click(loggerPage(), "GetDataBtn"); // runs to its end
    return allRows(table(loggerPage()), 7);
}

void tst_Faults::settle(std::unique_ptr<DelayedUnplug> &unplug)
{
    if (unplug)
        QTRY_VERIFY_WITH_TIMEOUT(unplug->fired(), 5000);
    unplug.reset();
}

void tst_Faults::unplugIfStillPlugged()
{
    // A counted unplug may lie beyond the end of the exchange; the cable goes anyway.
    if (m_instrument->isPlugged())
        m_instrument->unplug();
    QTRY_VERIFY2_WITH_TIMEOUT(!MainWindow::instance()->link(), qPrintable(where()), 5000);
}

void tst_Faults::checkMeterIdleAndUnplugged()
{
    unplugIfStillPlugged();
    FirstPageFor415 *page = meterPage();
    QTRY_VERIFY2_WITH_TIMEOUT(!page->busy, qPrintable(where()), 5000);
    QVERIFY2(!page->workerControl()->isRunning(), qPrintable(where()));
    if (PauseLock *lock = page->workerControl()->pauseLock()) {
        QVERIFY2(lock->tryLock(), qPrintable(where()));
        lock->unlock();
    }
    QVERIFY2(!page->progress()->isVisible(), qPrintable(where()));
    QCOMPARE(table(page)->rowCount(), 0);
    QVERIFY(page->deviceSummary().isEmpty());
    // Pulling the cable is not a reason to ask the user to wait.
    for (const UserPrompts::Prompt &p : m_prompts)
        QVERIFY2(p.text != QStringLiteral("Getting data,please wait..."), qPrintable(where()));
}

void tst_Faults::checkLoggerIdleAndUnplugged()
{
    unplugIfStillPlugged();
    FirstPageFor416 *page = loggerPage();
    QVERIFY2(!page->busy, qPrintable(where()));
    QVERIFY2(!page->progress()->isVisible(), qPrintable(where()));
    QCOMPARE(table(page)->rowCount(), 0);
    QVERIFY(page->deviceSummary().isEmpty());
    QTRY_VERIFY2(page->findChild<QPushButton *>(QStringLiteral("readDateTimeBtn"))->isEnabled(),
                 qPrintable(where()));
}

void tst_Faults::replug(QWidget *page)
{
    m_instrument->clearFaults();
    m_instrument->plug();
    QTRY_VERIFY2_WITH_TIMEOUT(MainWindow::instance()->link(), qPrintable(where()), 5000);
    QTRY_COMPARE(page->findChild<QLineEdit *>(QStringLiteral("serialNoEdit"))->text(),
                 QStringLiteral("19120001"));
    m_prompts.clear();
}

bool tst_Faults::pullCableDuring(QRandomGenerator &rng, int reports, int requests, int maxUs,
                                 const std::function<void()> &action)
{
    const bool meter = m_instrument->family() == VirtualInstrument::Family::Meter;
    auto unplug = armUnplug(m_instrument.get(), rng, reports, requests, maxUs);
    action();
    settle(unplug);
    if (meter)
        checkMeterIdleAndUnplugged();
    else
        checkLoggerIdleAndUnplugged();
    if (QTest::currentTestFailed())
        return false;
    replug(meter ? static_cast<QWidget *>(meterPage()) : loggerPage());
    return !QTest::currentTestFailed();
}

void tst_Faults::meterFetchUnplugged()
{
    startMeter();
    const QList<QStringList> clean = meterFetch();
    QCOMPARE(clean.size(), 9);
    for (quint32 seed : seeds()) {
        m_seed = seed;
        QRandomGenerator rng(seed);
        // The fetch: 6 device and setup replies, then 9 group replies, one report each.
        if (!pullCableDuring(rng, 15, 16, 40000, [this] { click(meterPage(), "GetDataBtn"); }))
            return;
        QVERIFY(meterPage()->workerControl()->isRunning());
    }
    QCOMPARE(meterFetch(), clean);
}

void tst_Faults::meterFetchWithRandomFaults()
{
    startMeter();
    const QList<QStringList> clean = meterFetch();
    QCOMPARE(clean.size(), 9);
    for (quint32 seed : seeds()) {
        m_seed = seed;
        QRandomGenerator rng(seed);
        // Odd seeds use only faults that leave the data bytes whole; even seeds also cut
        // and garble replies, where only a calm ending can be asked for.
        const bool dataWhole = seed % 2 == 1;
        for (int i = 0, skip = static_cast<int>(rng.bounded(16)); i < skip; ++i)
            m_instrument->injectFault(Fault::SplitReply, 0); // passes the reply unchanged
        for (int i = 0, n = static_cast<int>(rng.bounded(1, 6)); i < n; ++i) {
            switch (rng.bounded(dataWhole ? 4 : 7)) {
            case 0:
                m_instrument->injectFault(Fault::SplitReply, static_cast<int>(rng.bounded(1, 34)));
                break;
            case 1:
                m_instrument->injectFault(Fault::ForeignReport,
                                          static_cast<int>(rng.bounded(1, 0x3F)));
                break;
            case 2:
                m_instrument->injectFault(Fault::NoReply);
                break;
            case 3:
                m_instrument->injectFault(Fault::GarbageBefore, 0, noise(rng, 20));
                break;
            case 4:
                m_instrument->injectFault(Fault::ShortReply, static_cast<int>(rng.bounded(34)));
                break;
            case 5:
                m_instrument->injectFault(Fault::WrongEcho);
                break;
            default:
                m_instrument->injectFault(Fault::BadFrameCrc);
                break;
            }
        }
        const QList<QStringList> rows = meterFetch();
        FirstPageFor415 *page = meterPage();
        QVERIFY2(!page->busy, qPrintable(where()));
        QVERIFY2(page->workerControl()->isRunning(), qPrintable(where()));
        if (dataWhole) {
            // Rows may be missing, never made up.
            for (const QStringList &row : rows) {
                bool known = false;
                for (const QStringList &good : clean)
                    known = known || row.mid(1) == good.mid(1);
                QVERIFY2(known,
                         qPrintable(where() + QStringLiteral(": ") + row.join(QLatin1Char(' '))));
            }
        }
        m_instrument->clearFaults();
        QTest::qWait(50); // what a dropped request left on its way drains
        // The page holds no pause lock: its own exchanges, which take it, still work.
        QVERIFY2(page->on_readhostconfiguretBtn_clicked() == 1, qPrintable(where()));
        m_prompts.clear();
    }
    // Afterwards a fetch is whole again.
    QCOMPARE(meterFetch(), clean);
}

void tst_Faults::meterSetupWriteUnplugged()
{
    startMeter();
    for (quint32 seed : seeds()) {
        m_seed = seed;
        QRandomGenerator rng(seed);
        // Two writes, each one request and one reply.
        if (!pullCableDuring(rng, 2, 2, 8000,
                             [this] { click(meterPage(), "writehostconfiguretBtn"); }))
            return;
    }
    click(meterPage(), "writehostconfiguretBtn");
    QCOMPARE(m_prompts.last().text, QStringLiteral("parameter configuration success!"));
    QCOMPARE(meterFetch().size(), 9);
}

void tst_Faults::loggerDownloadUnplugged()
{
    // 4 groups of 120 samples: 10 frames and an end frame each, one report a frame.
    startLogger(4, 120);
    const QList<QStringList> clean = loggerDownload();
    QCOMPARE(clean.size(), 4);
    for (quint32 seed : seeds()) {
        m_seed = seed;
        QRandomGenerator rng(seed);
        if (!pullCableDuring(rng, 60, 12, 60000, [this] {
                loggerDownload();
                // A pulled cable is no damaged recording.
                for (const UserPrompts::Prompt &p : std::as_const(m_prompts))
                    QVERIFY2(!p.text.contains(QStringLiteral("could not be read")),
                             qPrintable(where() + p.text));
            }))
            return;
    }
    QCOMPARE(loggerDownload(), clean);
}

void tst_Faults::loggerDownloadWithRandomFaults()
{
    startLogger(4, 120);
    const QList<QStringList> clean = loggerDownload();
    QCOMPARE(clean.size(), 4);
    for (quint32 seed : seeds()) {
        m_seed = seed;
        QRandomGenerator rng(seed);
        const bool dataWhole = seed % 2 == 1;
        // The download's first replies are the setup and count reads; a group's first frame
        // is the reply to its request, the frames after it are not touched.
        for (int i = 0, skip = static_cast<int>(rng.bounded(8)); i < skip; ++i)
            m_instrument->injectFault(Fault::SplitReply, 0);
        // Odd seeds lose or damage bytes (a dropped first frame shows in the frames' addresses,
        // a damaged one in its CRC); even seeds also cut and garble replies.
        for (int i = 0, n = static_cast<int>(rng.bounded(1, 6)); i < n; ++i) {
            switch (rng.bounded(dataWhole ? 5 : 8)) {
            case 0:
                m_instrument->injectFault(Fault::SplitReply, static_cast<int>(rng.bounded(1, 62)));
                break;
            case 1:
                m_instrument->injectFault(Fault::ForeignReport,
                                          static_cast<int>(rng.bounded(1, 0x3F)));
                break;
            case 2:
                m_instrument->injectFault(Fault::GarbageBefore, 0, noise(rng, 20));
                break;
            case 3:
                m_instrument->injectFault(Fault::BadFrameCrc);
                break;
            case 4:
                m_instrument->injectFault(Fault::NoReply);
                break;
            case 5:
                m_instrument->injectFault(Fault::ShortReply, static_cast<int>(rng.bounded(62)));
                break;
            case 6:
                m_instrument->injectFault(Fault::WrongEcho);
                break;
            default:
                m_instrument->injectFault(Fault::GarbageBefore, 0,
                                          QByteArray::fromHex("AB42") + noise(rng, 12));
                break;
            }
        }
        const QList<QStringList> rows = loggerDownload();
        FirstPageFor416 *page = loggerPage();
        QVERIFY2(!page->busy, qPrintable(where()));
        QVERIFY2(!page->progress()->isVisible(), qPrintable(where()));
        QVERIFY2(MainWindow::instance()->link(), qPrintable(where()));
        // Every row shown is its recording's, whatever the faults. A recording missing between
        // rows was left out and is named; a download that ends early after rows says so.
        QList<int> named;
        QStringList others;
        static const QRegularExpression leftOut(
            QStringLiteral("^Recordings? ([0-9, ]+) could not be read without errors"));
        for (const UserPrompts::Prompt &p : std::as_const(m_prompts)) {
            const QRegularExpressionMatch match = leftOut.match(p.text);
            if (!match.hasMatch()) {
                others.append(p.text);
                continue;
            }
            for (const QString &number : match.captured(1).split(QStringLiteral(", ")))
                named.append(number.toInt());
        }
        int last = 0;
        for (const QStringList &row : rows) {
            const int number = row.value(0).toInt();
            QVERIFY2(number > last && row == clean.value(number - 1),
                     qPrintable(where() + QStringLiteral(": ") + row.join(QLatin1Char(','))));
            for (int missing = last + 1; missing < number; ++missing)
                QVERIFY2(named.contains(missing),
                         qPrintable(where() + QStringLiteral(": %1 not named").arg(missing)));
            last = number;
        }
        if (last > 0 && last < clean.size() && !named.contains(last + 1))
            QVERIFY2(!others.isEmpty(),
                     qPrintable(where() + QStringLiteral(": ended after %1 silently").arg(last)));
        m_instrument->clearFaults();
        QTest::qWait(50);
        m_prompts.clear();
    }
    QCOMPARE(loggerDownload(), clean);
}

void tst_Faults::loggerSetupAndClockUnplugged()
{
    startLogger(1, 10);
    for (quint32 seed : seeds()) {
        m_seed = seed;
        QRandomGenerator rng(seed);
        const int action = static_cast<int>(rng.bounded(3));
        const char *button = action == 0   ? "writehostconfiguretBtn"
                             : action == 1 ? "readDateTimeBtn"
                                           : "writeDateTimeBtn";
        if (!pullCableDuring(rng, 1, 1, 4000, [this, button] { click(loggerPage(), button); }))
            return;
    }
    // Every action works on the new connection.
    click(loggerPage(), "writehostconfiguretBtn");
    QCOMPARE(m_prompts.last().text, QStringLiteral("parameter configuration success!"));
    // The clock buttons wait for the clock read of the new connection to end.
    QTRY_VERIFY(
        loggerPage()->findChild<QPushButton *>(QStringLiteral("writeDateTimeBtn"))->isEnabled());
    click(loggerPage(), "writeDateTimeBtn");
    QCOMPARE(m_prompts.last().text, QStringLiteral("parameter date time success!"));
    const qsizetype before = m_instrument->requests().size();
    click(loggerPage(), "readDateTimeBtn");
    QCOMPARE(m_instrument->requests().size(), before + 1);
    QTRY_VERIFY(
        loggerPage()->findChild<QPushButton *>(QStringLiteral("readDateTimeBtn"))->isEnabled());
}

void tst_Faults::reportsAndExportUnplugged()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Long enough that the export is still writing when the cable goes.
    startLogger(2, 6000);
    m_instrument->setReportIntervalMicroseconds(0);
    for (quint32 seed : seeds()) {
        m_seed = seed;
        QRandomGenerator rng(seed);
        QCOMPARE(loggerDownload().size(), 2);
        const int row = static_cast<int>(rng.bounded(2));
        std::unique_ptr<DelayedUnplug> unplug;
        if (seed % 2 == 0) {
            m_saveAs = dir.filePath(QStringLiteral("group%1.xlsx").arg(seed));
            unplug = std::make_unique<DelayedUnplug>(m_instrument.get(),
                                                     static_cast<int>(rng.bounded(30000)));
            ops(loggerPage(), row)->EXCELBtn->click();
            // The workbook is whole: the removal does not reach the copy being written.
            QFile book(m_saveAs);
            QVERIFY2(book.open(QIODevice::ReadOnly), qPrintable(where()));
            QVERIFY2(book.read(2) == "PK" && book.size() > 10000, qPrintable(where()));
            for (const UserPrompts::Prompt &p : m_prompts) // no message, only the file dialog
                QVERIFY2(p.kind == UserPrompts::Kind::SaveFile, qPrintable(where() + p.text));
            QCOMPARE(m_opened.size(), static_cast<int>(seed / 2));
        } else {
            ops(loggerPage(), row)->ReportBtn->click();
            unplug = std::make_unique<DelayedUnplug>(m_instrument.get(),
                                                     static_cast<int>(rng.bounded(30000)));
            printLastReport<ReportPageFor416>(
                loggerPage(), dir.filePath(QStringLiteral("report%1.pdf").arg(seed)));
        }
        settle(unplug);
        checkLoggerIdleAndUnplugged();
        if (QTest::currentTestFailed())
            return;
        replug(loggerPage());
    }

    // The meter's report the same way.
    startMeter();
    for (quint32 seed : seeds()) {
        m_seed = seed;
        QRandomGenerator rng(seed);
        QCOMPARE(meterFetch().size(), 9);
        ops(meterPage(), static_cast<int>(rng.bounded(9)))->ReportBtn->click();
        auto unplug = std::make_unique<DelayedUnplug>(m_instrument.get(),
                                                      static_cast<int>(rng.bounded(20000)));
        printLastReport<ReportPageFor415>(meterPage(),
                                          dir.filePath(QStringLiteral("meter%1.pdf").arg(seed)));
        settle(unplug);
        checkMeterIdleAndUnplugged();
        if (QTest::currentTestFailed())
            return;
        replug(meterPage());
    }
}

// Fails the whole program when the GUI thread does not come back: a hang cannot be
// failed from the thread that hangs.
class Watchdog
{
public:
    Watchdog(int ms, QString what) : m_what(std::move(what)), m_thread([this, ms] { watch(ms); }) {}
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    void watch(int ms)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_done; })) {
            std::fprintf(stderr, "FAIL: hang in %s\n", qPrintable(m_what));
            std::abort();
        }
    }

    QString m_what;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};

UserPrompts::Answer tst_Faults::answerWithEventLoop(const UserPrompts::Prompt &prompt)
{
    Q_UNUSED(prompt);
    UserPrompts::Answer answer;
    // Boxes may open inside boxes, as real ones do; three deep is plenty.
    if (!m_boxLoops || m_boxDepth >= 3)
        return answer;
    ++m_boxDepth;
    QEventLoop loop;
    const int open = static_cast<int>(m_boxRng.bounded(5, 80));
    QTimer::singleShot(open, &loop, &QEventLoop::quit);
    VirtualInstrument *instrument = m_instrument.get();
    const int at = static_cast<int>(m_boxRng.bounded(open));
    switch (m_boxRng.bounded(4)) {
    case 0:
        QTimer::singleShot(at, &loop, [instrument] {
            if (instrument->isPlugged())
                instrument->unplug();
        });
        break;
    case 1: // the probe goes, and may come back while the box is still open
        QTimer::singleShot(at, &loop, [instrument] { instrument->setProbeConnected(false); });
        if (m_boxRng.bounded(2))
            QTimer::singleShot(open - 1, &loop,
                               [instrument] { instrument->setProbeConnected(true); });
        break;
    case 2:
        QTimer::singleShot(at, &loop, [instrument] {
            instrument->setProbeConnected(!instrument->probeConnected());
        });
        break;
    default: // only the page's own timers and queued chunks
        break;
    }
    loop.exec();
    --m_boxDepth;
    return answer;
}

void tst_Faults::runBoxScenario(const QString &name, const std::function<void()> &action)
{
    const bool meter = m_instrument->family() == VirtualInstrument::Family::Meter;
    const int reentries = PauseLock::reentries();
    {
        Watchdog watchdog(20000, name + QLatin1Char(' ') + where());
        m_boxLoops = true;
        action();
        // Whatever the action left running ends within its time-outs.
        QTRY_VERIFY2_WITH_TIMEOUT(!(meter ? meterPage()->busy : loggerPage()->busy),
                                  qPrintable(name + where()), 5000);
        m_boxLoops = false;
        if (meter)
            checkMeterIdleAndUnplugged();
        else
            checkLoggerIdleAndUnplugged();
    }
    QVERIFY2(m_boxesUnderLock == 0,
             qPrintable(name + QStringLiteral(": a box under the pause lock, ") + where()));
    QVERIFY2(PauseLock::reentries() == reentries,
             qPrintable(name + QStringLiteral(": lock taken twice, ") + where()));
    if (QTest::currentTestFailed())
        return;
    m_instrument->setProbeConnected(true);
    replug(meter ? static_cast<QWidget *>(meterPage()) : loggerPage());
    if (meter)
        QVERIFY2(meterPage()->workerControl()->isRunning(), qPrintable(name + where()));
}

void tst_Faults::boxesRunEventLoops()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Faults that make the pages and the exchange speak: a bad frame ("Message format
    // error"), a lost reply (time-outs), a missing probe, a write to a pulled cable.
    auto provoke = [this](QRandomGenerator &rng, int requests) {
        switch (rng.bounded(5)) {
        case 0:
            m_instrument->injectFault(Fault::BadFrameCrc);
            break;
        case 1:
            m_instrument->injectFault(Fault::NoReply);
            break;
        case 2:
            m_instrument->setProbeConnected(false);
            break;
        case 3:
            m_instrument->unplugAfterRequests(static_cast<int>(rng.bounded(1, requests + 1)));
            break;
        default:
            break;
        }
    };
    struct Operation {
        const char *name;
        int requests;
        std::function<void()> run;
        std::function<void()> prepare = {}; // runs before the faults, with calm boxes
    };
    auto clickOn = [this](bool meter, const char *button) {
        return [this, meter, button] {
            click(meter ? static_cast<QWidget *>(meterPage()) : loggerPage(), button);
        };
    };
    // A fresh window, which knows no family yet, meets the instrument with the faults in place.
    auto replugHere = [this] {
        MainWindow::destroyInstance();
        MainWindow::instance();
    };
    auto printNewest = [this, &dir](QWidget *page, const char *file) {
        m_printTo = dir.filePath(QString::fromLatin1(file));
        QWidget *report = page->findChildren<QDialog *>().last();
        report->findChild<QPushButton *>(QStringLiteral("PrintReportbtn"))->click();
    };
    const QList<Operation> meterOps = {
        {"meter arrival", 6, replugHere},
        {"meter fetch", 16, clickOn(true, "GetDataBtn")},
        {"meter setup read", 2, clickOn(true, "readhostconfiguretBtn")},
        {"meter setup write", 2, clickOn(true, "writehostconfiguretBtn")},
        {"meter probe reports", 1,
         [this] {
             m_instrument->setProbeConnected(false);
             QTest::qWait(40);
             m_instrument->setProbeConnected(true);
             QTest::qWait(150);
         }},
        {"meter report print", 1, [=] { printNewest(meterPage(), "meter.pdf"); },
         [this] {
             QCOMPARE(meterFetch().size(), 9);
             ops(meterPage(), 0)->ReportBtn->click();
         }},
    };
    const QList<Operation> loggerOps = {
        {"logger arrival", 6, replugHere},
        {"logger download", 12, clickOn(false, "GetDataBtn")},
        {"logger setup read", 1, clickOn(false, "readhostconfiguretBtn")},
        {"logger setup write", 1, clickOn(false, "writehostconfiguretBtn")},
        {"logger clock read", 1, clickOn(false, "readDateTimeBtn")},
        {"logger clock write", 1, clickOn(false, "writeDateTimeBtn")},
        {"logger export", 1, [this] { ops(loggerPage(), 1)->EXCELBtn->click(); },
         [this, &dir] {
             QCOMPARE(loggerDownload().size(), 4);
             m_saveAs = dir.filePath(QStringLiteral("book%1.xlsx").arg(m_seed));
         }},
        {"logger report print", 1, [=] { printNewest(loggerPage(), "logger.pdf"); },
         [this] {
             QCOMPARE(loggerDownload().size(), 4);
             ops(loggerPage(), 2)->ReportBtn->click();
         }},
    };
    for (int family = 0; family < 2; ++family) {
        if (family == 0)
            startMeter();
        else
            startLogger(4, 120);
        for (const Operation &op : family == 0 ? meterOps : loggerOps) {
            for (quint32 seed : seeds()) {
                m_seed = seed;
                QRandomGenerator rng(seed * 7919u +
                                     static_cast<quint32>(qHash(QByteArray(op.name))));
                m_boxRng.seed(rng.generate());
                if (op.prepare)
                    op.prepare();
                if (QTest::currentTestFailed())
                    return;
                m_prompts.clear();
                provoke(rng, op.requests);
                runBoxScenario(QString::fromLatin1(op.name), op.run);
                if (QTest::currentTestFailed())
                    return;
                m_instrument->clearFaults();
            }
        }
    }
}

QTEST_MAIN(tst_Faults)
#include "tst_faults.moc"
