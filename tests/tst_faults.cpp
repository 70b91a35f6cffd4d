// Fault scenarios end to end: the real pages against the virtual instrument, which is
// unplugged at random moments and fed random faults. Every run must end with the page
// idle (not busy, no pause lock held) and a working connection after re-plugging.
// SOLVANE_FAULT_SEEDS=n runs n seeds per scenario (default 6); a failure names its seed.
#include "firstpagefor415.h"
#include "firstpagefor416.h"
#include "instrumentprotocol.h"
#include "joiningthread.h"
#include "mainwindow.h"
#include "pauselock.h"
#include "pluggedinstrument.h"
#include "pollingworkercontrol.h"
#include "promptrecorder.h"
#include "reportpagefor415.h"
#include "reportpagefor416.h"
#include "sampledata.h"
#include "tableopwidget.h"
#include "urlrecorder.h"

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
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>

namespace {

using Fault = VirtualInstrument::Fault;
using Family = VirtualInstrument::Family;

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

int draw(QRandomGenerator &rng, int from, int to)
{
    return static_cast<int>(rng.bounded(from, to));
}

// One fault for the next reply, its details drawn at random.
using FaultMaker = std::function<void(VirtualInstrument *, QRandomGenerator &)>;
FaultMaker plain(Fault fault)
{
    return [fault](VirtualInstrument *i, QRandomGenerator &) { i->injectFault(fault); };
}
FaultMaker counted(Fault fault, int from, int to)
{
    return [=](VirtualInstrument *i, QRandomGenerator &r) {
        i->injectFault(fault, draw(r, from, to));
    };
}
FaultMaker garbage(const QByteArray &head, int maxLength)
{
    return [=](VirtualInstrument *i, QRandomGenerator &r) {
        i->injectFault(Fault::GarbageBefore, 0, head + noise(r, maxLength));
    };
}

// Unplugs the instrument from another thread after a delay, the way a cable is pulled
// whatever the program is doing at that moment.
struct DelayedUnplug {
    DelayedUnplug(VirtualInstrument *instrument, int microseconds)
        : thread([this, instrument, microseconds] {
              std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
              instrument->unplug();
              fired = true;
          })
    {
    }
    std::atomic<bool> fired{false};
    JoiningThread thread;
};

// Fails the whole program when the GUI thread does not come back: a hang cannot be
// failed from the thread that hangs.
struct Watchdog {
    Watchdog(int ms, const QString &what)
        : thread([ms, what, finished = done.get_future()] {
              if (finished.wait_for(std::chrono::milliseconds(ms)) == std::future_status::timeout) {
                  std::fprintf(stderr, "FAIL: hang in %s\n", qPrintable(what));
                  std::abort();
              }
          })
    {
    }
    ~Watchdog() { done.set_value(); }
    std::promise<void> done;
    JoiningThread thread;
};

QList<QStringList> allRows(const QTableWidget *table)
{
    QList<QStringList> rows;
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList texts;
        for (int c = 0; c < 7; ++c) {
            const QTableWidgetItem *item = table->item(r, c);
            texts.append(item ? item->text() : QStringLiteral("<none>"));
        }
        rows.append(texts);
    }
    return rows;
}

// The cable pulled during one operation, once per seed.
struct CableCase {
    Family family;
    int recordings, samples;
    // What the operation exchanges: a counted unplug falls within them.
    int reports, requests, maxUs;
    std::function<void(QRandomGenerator &)> operation;
    // Checks once every seed ran; without one, the data must come back whole.
    std::function<void()> after = {};
};
// Random faults of the instrument during the page's Get Data.
struct FaultCase {
    Family family;
    int skipped; // replies before the faults: up to this many pass unchanged
    int whole;   // the first `whole` faults leave the data bytes whole
    QList<FaultMaker> faults;
};

} // namespace

Q_DECLARE_METATYPE(CableCase)
Q_DECLARE_METATYPE(FaultCase)

// A check that names the seed, and what is given after it.
#define CHECK(condition, ...) QVERIFY2(condition, qPrintable(where() + QString(__VA_ARGS__)))

class tst_Faults : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        InstrumentProtocol::setReceiveTimeoutMs(300);
        FirstPageFor415::setFetchTimeoutMs(1000);
        FirstPageFor416::setStallTimeoutMs(600);
        FirstPageFor416::setClockHoldMs(0);
        m_prompts.clear();
        m_prompts.setSaveAs({});
        m_prompts.setPrintTo({});
    }
    void cleanup() { m_plugged.reset(); }

    void cablePulled_data()
    {
        QTest::addColumn<CableCase>("row");
        auto setupWriteWorks = [this] {
            button("writehostconfiguretBtn")->click();
            QCOMPARE(m_prompts.lastText(), QStringLiteral("parameter configuration success!"));
        };
        auto clicks = [this](const char *name) {
            return [this, name](QRandomGenerator &) { button(name)->click(); };
        };
        // The fetch: 6 device and setup replies, then 9 group replies, one report each.
        QTest::newRow("meter fetch")
            << CableCase{Family::Meter, 0, 0, 15, 16, 40000, clicks("GetDataBtn")};
        // Two writes, each one request and one reply.
        QTest::newRow("meter setup write")
            << CableCase{Family::Meter, 0, 0, 2, 2, 8000, clicks("writehostconfiguretBtn"), [=] {
                             setupWriteWorks();
                             QCOMPARE(getData().size(), 9);
                         }};
        // 4 groups of 120 samples: 10 frames and an end frame each, one report a frame; the
        // setup, the count and one interval read, one request and one report each.
        QTest::newRow("logger download")
            << CableCase{Family::Logger, 4, 120, 47, 7, 60000, [this](QRandomGenerator &) {
                             getData();
                             // A pulled cable is no damaged recording.
                             for (const QString &text : m_prompts.texts())
                                 CHECK(!text.contains(QStringLiteral("could not be read")), text);
                         }};
        auto setupOrClock = [this](QRandomGenerator &rng) {
            const char *names[] = {"writehostconfiguretBtn", "readDateTimeBtn", "writeDateTimeBtn"};
            button(names[rng.bounded(3)])->click();
        };
        auto everyActionWorks = [=] { // on the new connection
            setupWriteWorks();
            // The clock buttons wait for the clock read of the new connection.
            QTRY_VERIFY(button("writeDateTimeBtn")->isEnabled());
            button("writeDateTimeBtn")->click();
            QCOMPARE(m_prompts.lastText(), QStringLiteral("parameter date time success!"));
            const qsizetype before = m_instrument->requests().size();
            button("readDateTimeBtn")->click();
            QCOMPARE(m_instrument->requests().size(), before + 1);
            QTRY_VERIFY(button("readDateTimeBtn")->isEnabled());
        };
        QTest::newRow("logger setup and clock")
            << CableCase{Family::Logger, 1, 10, 1, 1, 4000, setupOrClock, everyActionWorks};
    }
    void cablePulled()
    {
        QFETCH(CableCase, row);
        start(row.family, row.recordings, row.samples);
        QList<QStringList> clean;
        if (!row.after) {
            clean = getData();
            QCOMPARE(clean.size(), meter() ? 9 : row.recordings);
        }
        forEachSeed([&](QRandomGenerator &rng) {
            if (pullCableDuring(rng, row.reports, row.requests, row.maxUs,
                                [&] { row.operation(rng); }) &&
                meter())
                QVERIFY(meterPage()->workerControl()->isRunning());
        });
        if (QTest::currentTestFailed())
            return;
        if (row.after)
            row.after();
        else
            QCOMPARE(getData(), clean);
    }
    void randomFaults_data()
    {
        QTest::addColumn<FaultCase>("row");
        const FaultMaker foreign = counted(Fault::ForeignReport, 1, 0x3F);
        const QList<FaultMaker> meterFaults = {counted(Fault::SplitReply, 1, 34),
                                               foreign,
                                               plain(Fault::NoReply),
                                               garbage({}, 20),
                                               counted(Fault::ShortReply, 0, 34),
                                               plain(Fault::WrongEcho),
                                               plain(Fault::BadFrameCrc)};
        QTest::newRow("meter fetch") << FaultCase{Family::Meter, 16, 4, meterFaults};
        // The download's first replies are the setup and count reads; a group's first frame is
        // the reply to its request, the frames after it are not touched. Whole: a dropped first
        // frame shows in the frames' addresses, a damaged one in its CRC.
        const QList<FaultMaker> loggerFaults = {counted(Fault::SplitReply, 1, 62),
                                                foreign,
                                                garbage({}, 20),
                                                plain(Fault::BadFrameCrc),
                                                plain(Fault::NoReply),
                                                counted(Fault::ShortReply, 0, 62),
                                                plain(Fault::WrongEcho),
                                                garbage(QByteArray::fromHex("AB42"), 12)};
        QTest::newRow("logger download") << FaultCase{Family::Logger, 8, 5, loggerFaults};
    }
    void randomFaults()
    {
        QFETCH(FaultCase, row);
        start(row.family);
        const QList<QStringList> clean = getData();
        QCOMPARE(clean.size(), meter() ? 9 : 4);
        forEachSeed([&](QRandomGenerator &rng) {
            // Odd seeds use only faults that leave the data bytes whole; even seeds also cut
            // and garble replies, where only a calm ending can be asked for.
            const bool dataWhole = m_seed % 2 == 1;
            for (int i = 0, skip = draw(rng, 0, row.skipped); i < skip; ++i)
                m_instrument->injectFault(Fault::SplitReply, 0); // passes the reply unchanged
            for (int i = 0, n = draw(rng, 1, 6); i < n; ++i)
                row.faults.at(draw(rng, 0, dataWhole ? row.whole : int(row.faults.size())))(
                    m_instrument, rng);
            const QList<QStringList> rows = getData();
            CHECK(!busy());
            if (meter()) {
                CHECK(meterPage()->workerControl()->isRunning());
                // Rows may be missing, never made up.
                for (const QStringList &shown : rows) {
                    bool known = false;
                    for (const QStringList &good : clean)
                        known = known || shown.mid(1) == good.mid(1);
                    CHECK(known || !dataWhole, QLatin1Char(' ') + shown.join(' '));
                }
            } else {
                CHECK(!loggerPage()->progress()->isVisible());
                CHECK(MainWindow::instance()->link());
                // Every row shown is its recording's, whatever the faults. A recording missing
                // between rows was left out and is named; a download that ends early after rows
                // says so.
                QList<int> named;
                QStringList others;
                static const QRegularExpression leftOut(
                    QStringLiteral("^Recordings? ([0-9, ]+) could not be read without errors"));
                for (const QString &text : m_prompts.texts()) {
                    const QRegularExpressionMatch match = leftOut.match(text);
                    if (!match.hasMatch()) {
                        others.append(text);
                        continue;
                    }
                    for (const QString &number : match.captured(1).split(QStringLiteral(", ")))
                        named.append(number.toInt());
                }
                int last = 0;
                for (const QStringList &shown : rows) {
                    const int number = shown.value(0).toInt();
                    CHECK(number > last && shown == clean.value(number - 1),
                          QLatin1Char(' ') + shown.join(','));
                    for (int missing = last + 1; missing < number; ++missing)
                        CHECK(named.contains(missing),
                              QStringLiteral(": %1 not named").arg(missing));
                    last = number;
                }
                if (last > 0 && last < clean.size() && !named.contains(last + 1))
                    CHECK(!others.isEmpty(), QStringLiteral(": ended after %1 silently").arg(last));
            }
            m_instrument->clearFaults();
            QTest::qWait(50); // what a dropped request left on its way drains
            // The meter page holds no pause lock: its own exchanges, which take it, still work.
            if (meter())
                CHECK(meterPage()->on_readhostconfiguretBtn_clicked() == 1);
            m_prompts.clear();
        });
        // Afterwards a fetch is whole again.
        QCOMPARE(getData(), clean);
    }
    void reportsAndExportUnplugged()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // Long enough that the export is still writing when the cable goes.
        start(Family::Logger, 2, 6000);
        m_instrument->setReportIntervalMicroseconds(0);
        for (int family = 0; family < 2; ++family) {
            if (family == 1)
                start(Family::Meter); // the meter's report the same way
            forEachSeed([&](QRandomGenerator &rng) {
                const quint32 seed = m_seed;
                QCOMPARE(getData().size(), meter() ? 9 : 2);
                const int row = draw(rng, 0, meter() ? 9 : 2);
                std::unique_ptr<DelayedUnplug> unplug;
                auto pullLater = [&](int maxUs) {
                    unplug = std::make_unique<DelayedUnplug>(m_instrument, draw(rng, 0, maxUs));
                };
                const QString name = QStringLiteral("%1%2.pdf")
                                         .arg(QLatin1String(meter() ? "meter" : "report"))
                                         .arg(seed);
                if (meter()) {
                    ops(row)->ReportBtn->click();
                    pullLater(20000);
                    printLastReport<ReportPageFor415>(dir.filePath(name));
                } else if (seed % 2 == 0) {
                    const QString book = dir.filePath(QStringLiteral("group%1.xlsx").arg(seed));
                    m_prompts.setSaveAs(book);
                    pullLater(30000);
                    ops(row)->EXCELBtn->click();
                    // The workbook is whole: the removal does not reach the copy being written.
                    QFile file(book);
                    CHECK(file.open(QIODevice::ReadOnly));
                    CHECK(file.read(2) == "PK" && file.size() > 10000);
                    for (const UserPrompts::Prompt &p : m_prompts.prompts()) // only the file dialog
                        CHECK(p.kind == UserPrompts::Kind::SaveFile, p.text);
                    QCOMPARE(m_opened.opened().size(), static_cast<int>(seed / 2));
                } else {
                    ops(row)->ReportBtn->click();
                    pullLater(30000);
                    printLastReport<ReportPageFor416>(dir.filePath(name));
                }
                endScenario(unplug);
            });
        }
    }
    void boxesRunEventLoops()
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
                m_instrument->unplugAfterRequests(draw(rng, 1, requests + 1));
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
        auto clickOn = [this](const char *name) { return [this, name] { button(name)->click(); }; };
        // A fresh window, which knows no family yet, meets the instrument with the faults in place.
        auto replugHere = [] {
            MainWindow::destroyInstance();
            MainWindow::instance();
        };
        auto printNewest = [this, &dir](const char *file) {
            return [this, &dir, file] {
                m_prompts.setPrintTo(dir.filePath(QString::fromLatin1(file)));
                QWidget *report = page()->findChildren<QDialog *>().last();
                report->findChild<QPushButton *>(QStringLiteral("PrintReportbtn"))->click();
            };
        };
        auto reportOf = [this](int rows, int row) {
            return [this, rows, row] {
                QCOMPARE(getData().size(), rows);
                ops(row)->ReportBtn->click();
            };
        };
        const QList<Operation> meterOps = {
            {"meter arrival", 6, replugHere},
            {"meter fetch", 16, clickOn("GetDataBtn")},
            {"meter setup read", 2, clickOn("readhostconfiguretBtn")},
            {"meter setup write", 2, clickOn("writehostconfiguretBtn")},
            {"meter probe reports", 1,
             [this] {
                 m_instrument->setProbeConnected(false);
                 QTest::qWait(40); // the page's timers run while the probe is out
                 m_instrument->setProbeConnected(true);
                 QTest::qWait(150);
             }},
            {"meter report print", 1, printNewest("meter.pdf"), reportOf(9, 0)},
        };
        const QList<Operation> loggerOps = {
            {"logger arrival", 6, replugHere},
            {"logger download", 12, clickOn("GetDataBtn")},
            {"logger setup read", 1, clickOn("readhostconfiguretBtn")},
            {"logger setup write", 1, clickOn("writehostconfiguretBtn")},
            {"logger clock read", 1, clickOn("readDateTimeBtn")},
            {"logger clock write", 1, clickOn("writeDateTimeBtn")},
            {"logger export", 1, [this] { ops(1)->EXCELBtn->click(); },
             [this, &dir] {
                 QCOMPARE(getData().size(), 4);
                 m_prompts.setSaveAs(dir.filePath(QStringLiteral("book%1.xlsx").arg(m_seed)));
             }},
            {"logger report print", 1, printNewest("logger.pdf"), reportOf(4, 2)},
        };
        for (const Family family : {Family::Meter, Family::Logger}) {
            start(family);
            for (const Operation &op : family == Family::Meter ? meterOps : loggerOps) {
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

private:
    QList<quint32> seeds() const;
    QString where() const { return QStringLiteral("seed %1").arg(m_seed); }

    void start(Family family, int recordings = 4, int samples = 120);
    bool meter() const { return m_instrument->family() == Family::Meter; }
    FirstPageFor415 *meterPage() const { return MainWindow::instance()->meterPage(); }
    FirstPageFor416 *loggerPage() const { return MainWindow::instance()->loggerPage(); }
    // f applied to the page of the instrument's family.
    template <typename F> auto onPage(F f) const
    {
        return meter() ? f(meterPage()) : f(loggerPage());
    }
    QWidget *page() const
    {
        return onPage([](QWidget *p) { return p; });
    }
    bool busy() const
    {
        return onPage([](auto *p) { return p->busy; });
    }
    QTableWidget *table() const
    {
        return page()->findChild<QTableWidget *>(QStringLiteral("tbData"));
    }
    QPushButton *button(const char *name) const
    {
        return page()->findChild<QPushButton *>(QString::fromLatin1(name));
    }
    TableOpWidget *ops(int row) const
    {
        return qobject_cast<TableOpWidget *>(table()->cellWidget(row, 7));
    }
    // The page's Get Data to its end and the rows shown. A download runs inside the click,
    // a fetch ends within its time-out; waiting is bounded here as well.
    QList<QStringList> getData()
    {
        button("GetDataBtn")->click();
        if (meter() && !QTest::qWaitFor([this] { return !busy(); }, 5000))
            qWarning("the fetch did not end");
        return allRows(table());
    }
    // Prints the page's newest report to a PDF file, checks the file and closes the report.
    template <typename Report> void printLastReport(const QString &pdfPath);

    // The checks every scenario ends with, after the cable went.
    void checkIdleAndUnplugged();
    void replug();
    // Lets a timed unplug happen (events flowing) before the checks, so it cannot strike
    // the next connection.
    void settle(std::unique_ptr<DelayedUnplug> &unplug);
    // Arms a random unplug (bounded by the exchange's reports and requests, or a delay up to
    // maxUs), runs `action`, checks the page ended idle and re-plugs. False when a check failed.
    bool pullCableDuring(QRandomGenerator &rng, int reports, int requests, int maxUs,
                         const std::function<void()> &action);
    // Settles, checks the page ended idle and re-plugs; false when a check failed.
    bool endScenario(std::unique_ptr<DelayedUnplug> &unplug);
    // `body` once per seed (m_seed set, a generator seeded with it), until a check fails.
    void forEachSeed(const std::function<void(QRandomGenerator &)> &body);
    void runBoxScenario(const QString &name, const std::function<void()> &action);
    // A box answered the way a real modal box is: its event loop runs for a while, and in it
    // the cable may be pulled or the probe come and go while the page's timers fire.
    int whileBoxOpen(QEventLoop &loop);

    PromptRecorder m_prompts;
    UrlRecorder m_opened;
    PluggedInstrument m_plugged;
    VirtualInstrument *m_instrument = nullptr;
    QRandomGenerator m_boxRng;
    quint32 m_seed = 0;
};

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

void tst_Faults::start(Family family, int count, int samples)
{
    MainWindow::destroyInstance();
    const bool isMeter = family == Family::Meter;
    m_instrument = m_plugged.create(family, isMeter ? 7001297 : 5633416);
    if (isMeter) {
        m_instrument->setMeterGroups(SampleData::meterGroups(9));
        m_instrument->setMeasureSettings(0, 10, 0, 0);
    } else {
        m_instrument->setRecordings(SampleData::recordings(
            count, samples, 0.25f, 13, QDateTime(QDate(2024, 5, 1), QTime(8, 0, 15))));
        m_instrument->setHostSettings(0, 5, 1, 0);
    }
    m_instrument->setReportIntervalMicroseconds(1000);
    QCOMPARE(m_plugged.start(m_instrument)->family(), isMeter ? 415 : 416);
    if (isMeter)
        QVERIFY(meterPage()->workerControl()->isRunning());
    else
        QTRY_VERIFY(button("readDateTimeBtn")->isEnabled());
}

template <typename Report> void tst_Faults::printLastReport(const QString &pdfPath)
{
    const QList<Report *> reports = page()->findChildren<Report *>();
    QVERIFY(!reports.isEmpty());
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfPath);
    reports.last()->printTo(&printer);
    QFile pdf(pdfPath);
    CHECK(pdf.open(QIODevice::ReadOnly) && pdf.read(4) == "%PDF");
    reports.last()->close();
}

void tst_Faults::settle(std::unique_ptr<DelayedUnplug> &unplug)
{
    if (unplug)
        QTRY_VERIFY_WITH_TIMEOUT(unplug->fired, 5000);
    unplug.reset();
}

void tst_Faults::checkIdleAndUnplugged()
{
    // A counted unplug may lie beyond the end of the exchange; the cable goes anyway.
    if (m_instrument->isPlugged())
        m_instrument->unplug();
    QTRY_VERIFY2_WITH_TIMEOUT(!MainWindow::instance()->link(), qPrintable(where()), 5000);
    if (meter()) {
        FirstPageFor415 *page = meterPage();
        QTRY_VERIFY2_WITH_TIMEOUT(!page->busy, qPrintable(where()), 5000);
        CHECK(!page->workerControl()->isRunning());
        if (PauseLock *lock = page->workerControl()->pauseLock()) {
            CHECK(lock->tryLock());
            lock->unlock();
        }
        // Pulling the cable is not a reason to ask the user to wait.
        CHECK(!m_prompts.texts().contains(QStringLiteral("Getting data,please wait...")));
    } else {
        CHECK(!loggerPage()->busy);
    }
    CHECK(!onPage([](auto *p) { return p->progress()->isVisible(); }));
    QCOMPARE(table()->rowCount(), 0);
    QVERIFY(onPage([](auto *p) { return p->deviceSummary(); }).isEmpty());
    if (!meter())
        QTRY_VERIFY2(button("readDateTimeBtn")->isEnabled(), qPrintable(where()));
}

void tst_Faults::replug()
{
    m_instrument->clearFaults();
    m_instrument->plug();
    QTRY_VERIFY2_WITH_TIMEOUT(MainWindow::instance()->link(), qPrintable(where()), 5000);
    QTRY_COMPARE(page()->findChild<QLineEdit *>(QStringLiteral("serialNoEdit"))->text(),
                 QStringLiteral("19120001"));
    m_prompts.clear();
}

bool tst_Faults::pullCableDuring(QRandomGenerator &rng, int reports, int requests, int maxUs,
                                 const std::function<void()> &action)
{
    std::unique_ptr<DelayedUnplug> unplug;
    switch (rng.bounded(3)) { // the three ways to pull the cable
    case 0:
        m_instrument->unplugAfterReports(draw(rng, 1, reports + 1));
        break;
    case 1:
        m_instrument->unplugAfterRequests(draw(rng, 1, requests + 1));
        break;
    default:
        unplug = std::make_unique<DelayedUnplug>(m_instrument, draw(rng, 0, maxUs + 1));
        break;
    }
    action();
    return endScenario(unplug);
}

bool tst_Faults::endScenario(std::unique_ptr<DelayedUnplug> &unplug)
{
    settle(unplug);
    checkIdleAndUnplugged();
    if (QTest::currentTestFailed())
        return false;
    replug();
    return !QTest::currentTestFailed();
}

void tst_Faults::forEachSeed(const std::function<void(QRandomGenerator &)> &body)
{
    for (quint32 seed : seeds()) {
        m_seed = seed;
        QRandomGenerator rng(seed);
        body(rng);
        if (QTest::currentTestFailed())
            return;
    }
}

int tst_Faults::whileBoxOpen(QEventLoop &loop)
{
    const int open = draw(m_boxRng, 5, 80);
    VirtualInstrument *instrument = m_instrument;
    const int at = draw(m_boxRng, 0, open);
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
    return open;
}

void tst_Faults::runBoxScenario(const QString &name, const std::function<void()> &action)
{
    const int reentries = PauseLock::reentries();
    {
        Watchdog watchdog(20000, name + QLatin1Char(' ') + where());
        m_prompts.setWhileOpen([this](QEventLoop &loop) { return whileBoxOpen(loop); });
        action();
        // Whatever the action left running ends within its time-outs.
        QTRY_VERIFY2_WITH_TIMEOUT(!busy(), qPrintable(name + where()), 5000);
        m_prompts.setWhileOpen({});
        checkIdleAndUnplugged();
    }
    QVERIFY2(m_prompts.boxesUnderLock() == 0,
             qPrintable(name + QStringLiteral(": a box under the pause lock, ") + where()));
    QVERIFY2(PauseLock::reentries() == reentries,
             qPrintable(name + QStringLiteral(": lock taken twice, ") + where()));
    if (QTest::currentTestFailed())
        return;
    m_instrument->setProbeConnected(true);
    replug();
    if (meter())
        QVERIFY2(meterPage()->workerControl()->isRunning(), qPrintable(name + where()));
}

QTEST_MAIN(tst_Faults)
#include "tst_faults.moc"
