// The meter page against the virtual meter: device information, setup, Get Data through
// the polling worker, probe reports, and the pause lock under message boxes.
#include "bytes.h"
#include "firstpagefor415.h"
#include "instrumentprotocol.h"
#include "mainwindow.h"
#include "pluggedinstrument.h"
#include "pollingworkercontrol.h"
#include "promptrecorder.h"
#include "reportpagefor415.h"
#include "sampledata.h"
#include "setupquestion.h"
#include "tableopwidget.h"
#include "windowgrab.h"

#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

class tst_Meter : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        InstrumentProtocol::setReceiveTimeoutMs(400);
        m_prompts.clear();
        m_prompts.setAnswer({});
        m_prompts.setWhileOpen({});
    }

    void cleanup() { m_plugged.reset(); }

    void deviceInformationAndProfiles()
    {
        start(7001297);
        QCOMPARE(child<QLineEdit>("serialNoEdit")->text(), u"4294967295"_s);
        QCOMPARE(child<QLineEdit>("FirmwareVersionEdit")->text(), u"10.0"_s);
        QCOMPARE(child<QLineEdit>("DeviceNameEdit")->text(), u"VT415-M1"_s);
        QVERIFY(child<QLineEdit>("DeviceNameEdit")->isHidden());
        // Profile A: filters and W/cm² barred.
        QVERIFY(!child<QRadioButton>("OffRadioBtn")->isEnabled());
        QVERIFY(!child<QRadioButton>("wcmBtn")->isEnabled());
        QVERIFY(child<QRadioButton>("wmBtn")->isEnabled());
        QVERIFY(!child<QRadioButton>("RadioBtn_50ZH")->isCheckable());

        // Then a profile B model: filters enabled but still grey, units white again.
        m_meter->setModelCode(27002395);
        QCOMPARE(page()->refreshDevice(), 1);
        QCOMPARE(child<QLineEdit>("DeviceNameEdit")->text(), u"VT415-M2"_s);
        QVERIFY(child<QRadioButton>("OffRadioBtn")->isEnabled());
        QVERIFY(child<QRadioButton>("RadioBtn_50ZH")->isCheckable());
        QVERIFY(child<QRadioButton>("OffRadioBtn")->styleSheet().contains(u"200,200,200"_s));
        QCOMPARE(child<QRadioButton>("wcmBtn")->styleSheet(),
                 u"background-color: rgb(255,255,255);"_s);
        QVERIFY(!child<QRadioButton>("uwcmBtn")->isEnabled());

        // An unknown model: "UnKnow", every button enabled, the profile left as it was.
        m_meter->setModelCode(1234567);
        QCOMPARE(page()->refreshDevice(), 1);
        QCOMPARE(child<QLineEdit>("DeviceNameEdit")->text(), u"UnKnow"_s);
        for (const char *name :
             {"OffRadioBtn", "RadioBtn_50ZH", "uwcmBtn", "mwcmBtn", "wcmBtn", "wmBtn"})
            QVERIFY2(child<QRadioButton>(name)->isEnabled(), name);

        // A failing calibration read keeps what was already written.
        m_meter->setSerialNumber(17);
        m_meter->corruptBlock(7, 0x24, 4);
        QCOMPARE(page()->readDeviceInfo(), -1);
        QCOMPARE(child<QLineEdit>("serialNoEdit")->text(), u"17"_s);
        QVERIFY(m_prompts.prompts().isEmpty());

        page()->clear();
        QVERIFY(child<QLineEdit>("serialNoEdit")->text().isEmpty());
        QCOMPARE(child<QDateEdit>("ProductionDateEdit")->date(), QDate(2000, 1, 1));
        QCOMPARE(child<QDateEdit>("CalibrationeDateEdit")->date(), QDate(2000, 1, 1));
    }

    void fetchEveryProfileAndUnit()
    {
        struct ProfileCase {
            quint32 model;
            int decimals[4];
        };
        const ProfileCase profiles[] = {
            {7001297, {1, 4, -1, 3}},    // A
            {7003395, {-1, 0, 3, 0}},    // B
            {27004365, {-1, 1, -1, 0}},  // C
            {1234567, {-1, -1, -1, -1}}, // not in the table
        };
        const char *energyHeaders[] = {"Energy uJ/cm²", "Energy mJ/cm²", "Energy J/cm²",
                                       "Energy J/m²"};
        const char *avgHeaders[] = {"Power(AVG) uW/cm²", "Power(AVG) mW/cm²", "Power(AVG) W/cm²",
                                    "Power(AVG) W/m²"};
        const char *units[] = {"uW/cm<sup>2</sup>", "mW/cm<sup>2</sup>", "W/cm<sup>2</sup>",
                               "W/m<sup>2</sup>"};
        const QVector<VirtualInstrument::MeterGroup> groups = SampleData::meterGroups(9);
        for (const ProfileCase &profile : profiles) {
            start(profile.model);
            for (int unit = 0; unit < 4; ++unit) {
                m_meter->setMeasureSettings(0, 10, 0, static_cast<quint8>(unit));
                m_meter->clearRequests();
                getData();
                QTRY_COMPARE_WITH_TIMEOUT(table()->rowCount(), 9, 5000);
                QTRY_VERIFY(!page()->busy);
                // Nine requests at 240, 264, ... 432.
                for (int i = 0; i < 9; ++i)
                    QCOMPARE(
                        requestsStartingWith(InstrumentProtocol::powerGroupRequest(240 + 24 * i)),
                        1);
                QCOMPARE(header(1), QString::fromUtf8(energyHeaders[unit]));
                QCOMPARE(header(6), QString::fromUtf8(avgHeaders[unit]));
                QCOMPARE(page()->reportValues.powerUnitHtml, QString::fromLatin1(units[unit]));
                const int d = profile.decimals[unit];
                for (int row = 0; row < 9; ++row) {
                    const auto &g = groups[row];
                    QCOMPARE(cell(row, 0), QString::number(row + 1));
                    QCOMPARE(cell(row, 2), QString::number(g[5], 'f', 1));
                    // Energy, then power RT, MAX, MIN and AVG, with the profile's decimals.
                    for (const auto &[column, value] :
                         {std::pair{1, 4}, {3, 0}, {4, 1}, {5, 2}, {6, 3}})
                        QCOMPARE(cell(row, column),
                                 d < 0 ? QString() : QString::number(g[value], 'f', d));
                    auto *ops = qobject_cast<TableOpWidget *>(table()->cellWidget(row, 7));
                    QVERIFY(ops);
                    QCOMPARE(ops->row, row);
                    QVERIFY(ops->EXCELBtn->isHidden());
                    QVERIFY(ops->CurveBtn->isHidden());
                    QVERIFY(!ops->ReportBtn->isHidden());
                }
            }
        }
        QVERIFY(m_prompts.prompts().isEmpty());
    }

    void fetchLimitsAndEmptyInstrument()
    {
        // Twelve reported, nine asked for.
        start(7001297);
        m_meter->setGroupCount(12);
        m_meter->clearRequests();
        getData();
        QCOMPARE(page()->progress()->maximum(), 306);
        QCOMPARE(requestsStartingWith(QByteArray::fromHex("AB42")), 9);
        QCOMPARE(requestsStartingWith(InstrumentProtocol::powerGroupRequest(432)), 1);
        QTRY_COMPARE(table()->rowCount(), 9);

        // None stored: nothing happens, no message, no progress window.
        start(7001297, 0);
        m_meter->clearRequests();
        page()->progress()->hide();
        getData(); // an empty count ends the click at once
        QCOMPARE(table()->rowCount(), 0);
        QVERIFY(!page()->busy);
        QVERIFY(!page()->progress()->isVisible());
        QCOMPARE(requestsStartingWith(QByteArray::fromHex("AB42")), 0);
        QVERIFY(m_prompts.prompts().isEmpty());

        // Get Data without an instrument.
        m_meter->unplug();
        QTRY_VERIFY(!MainWindow::instance()->link());
        getData();
        QCOMPARE(m_prompts.texts(), QStringList{u"please Connecting instrument!"_s});
    }

    void fetchWithSurplusBytesAndProbeReport()
    {
        start(7001297);
        const QString serial = child<QLineEdit>("serialNoEdit")->text();
        // Garbage in front of the first reply and a probe report in the middle of the replies.
        m_meter->clearFaults();
        m_meter->injectFault(VirtualInstrument::Fault::GarbageBefore, 0, QByteArray(7, '\x55'));
        getData();
        m_meter->sendUnsolicited(Bytes::withCrc(QByteArray::fromHex("AB220D0002000000")));
        QTRY_VERIFY_WITH_TIMEOUT(!page()->busy, 5000);
        const int rows = table()->rowCount();
        QVERIFY(rows >= 8 && rows <= 9);
        const QVector<VirtualInstrument::MeterGroup> groups = SampleData::meterGroups(9);
        for (int row = 0; row < rows; ++row) {
            QCOMPARE(cell(row, 0), QString::number(row + 1)); // numbered without gaps
            QCOMPARE(cell(row, 3), QString::number(groups[row][0], 'f', 1));
        }
        // The probe report during the fetch was ignored.
        QVERIFY(m_prompts.prompts().isEmpty());
        QCOMPARE(child<QLineEdit>("serialNoEdit")->text(), serial);
    }

    void fetchUnitChangedMidway()
    {
        start(7001297);
        m_meter->setMeasureSettings(0, 10, 0, 0);
        getData();
        QVERIFY(page()->busy);
        child<QRadioButton>("mwcmBtn")->setChecked(true); // the user picks another unit meanwhile
        QTRY_COMPARE(table()->rowCount(), 9);
        QCOMPARE(header(3), u"Power(RT) mW/cm²"_s);
        // Numbers are not converted, only written with the new unit's decimals.
        QCOMPARE(cell(0, 3), QString::number(SampleData::meterGroups(1)[0][0], 'f', 4));
        QCOMPARE(page()->reportValues.energyUnitHtml, u"mJ/cm<sup>2</sup>"_s);
    }

    void fetchWithoutReplyTimesOut()
    {
        start(7001297);
        silenceGroupReplies();
        QElapsedTimer timer;
        timer.start();
        getData();
        QVERIFY(page()->busy);
        QTRY_VERIFY_WITH_TIMEOUT(!page()->busy, 20000);
        QVERIFY(timer.elapsed() >= FirstPageFor415::FetchTimeoutMs);
        QCOMPARE(TitledPrompts::of(m_prompts),
                 QStringList{u"information: Getting data outtime,please get again."_s});
        QCOMPARE(table()->rowCount(), 0);
        QCOMPARE(page()->progress()->value(), 0);
        QVERIFY(!page()->progress()->isVisible());
        // The page is usable again.
        getData();
        QTRY_COMPARE(table()->rowCount(), 9);
    }

    void busyKeepsOtherActionsOut()
    {
        start(7001297);
        getData();
        QVERIFY(page()->busy);
        child<QPushButton>("ClearBtn")->click();
        child<QPushButton>("readhostconfiguretBtn")->click();
        child<QPushButton>("writehostconfiguretBtn")->click();
        getData();
        page()->clear();
        QCOMPARE(m_prompts.prompts().size(), 5);
        for (const UserPrompts::Prompt &p : m_prompts.prompts())
            QCOMPARE(p.text, u"Getting data,please wait..."_s);
        QTRY_COMPARE(table()->rowCount(), 9); // the fetch went on
        // A row's Report during a fetch: only the message.
        m_prompts.clear();
        QVERIFY(!page()->busy);
        getData();
        QVERIFY(page()->busy);
        page()->addDataRow({u"1"_s, {}, {}, {}, {}, {}, {}});
        qobject_cast<TableOpWidget *>(table()->cellWidget(0, 7))->ReportBtn->click();
        QCOMPARE(m_prompts.texts(), QStringList{u"Getting data,please wait..."_s});
        QVERIFY(page()->findChildren<ReportPageFor415 *>().isEmpty());
        QTRY_VERIFY(!page()->busy);
    }

    void setupReadDefaultsAndRanges()
    {
        start(7003395); // profile B: every filter usable
        m_meter->setHostSettings(0, 10, 0, 1);
        m_meter->setMeasureSettings(0, 10, 2, 1);
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), 1);
        QCOMPARE(checkedIds(), QList<int>({0, 1, 2, 1}));

        // Values out of range change nothing.
        m_meter->setHostSettings(2, 10, 0, 9);
        m_meter->setMeasureSettings(0, 10, 3, 4);
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), 1);
        QCOMPARE(checkedIds(), QList<int>({0, 1, 2, 1}));

        // A blank host block: ON and No, and the measurement block is not read.
        m_meter->corruptBlock(1, 0x80, 4);
        m_meter->clearRequests();
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), -1);
        QCOMPARE(checkedIds().mid(0, 2), QList<int>({1, 0}));
        QCOMPARE(requestsStartingWith(InstrumentProtocol::measureConfigureRequest()), 0);

        // A blank measurement block: " OFF " and uW/c㎡.
        m_meter->setHostSettings(0, 10, 0, 1);
        m_meter->corruptBlock(7, 0x60, 4);
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), -1);
        QCOMPARE(checkedIds().mid(2), QList<int>({0, 0}));
        QVERIFY(m_prompts.prompts().isEmpty());

        // No probe: the message, nothing checked anew.
        m_prompts.clear();
        m_meter->setProbeConnected(false);
        QTRY_COMPARE(m_prompts.prompts().size(),
                     1); // the notification's own message; it clears the page
        m_prompts.clear();
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), -1);
        QCOMPARE(m_prompts.texts(), QStringList{u"No probe connection!"_s});
    }

    void setupWrite()
    {
        start(7003395, 9, 7); // a unit index out of range: no unit button gets checked
        m_meter->setHostSettings(1, 10, 0, 0);
        m_meter->setMeasureSettings(0, 10, 1, 7);
        QCOMPARE(page()->refreshDevice(), 1);
        QCOMPARE(page()->unitGroup->checkedId(), -1);
        getData();
        QTRY_COMPARE(table()->rowCount(), 9);

        // No: nothing happens.
        SetupQuestion::refuse(m_prompts, m_meter, page());
        QCOMPARE(table()->rowCount(), 9);

        // Yes: the table goes, both blocks are written; no unit checked sends -1 as FF.
        page()->energyDisplayGroup->button(1)->setChecked(true);
        child<QPushButton>("writehostconfiguretBtn")->click();
        QCOMPARE(table()->rowCount(), 0);
        QCOMPARE(m_meter->memory(1, 0x80, 4), QByteArray::fromHex("010A0001"));
        QCOMPARE(m_meter->memory(7, 0x60, 4), QByteArray::fromHex("000A01FF"));
        QCOMPARE(m_prompts.prompts().size(), 2);
        QCOMPARE(m_prompts.lastText(), u"parameter configuration success!"_s);

        // The first write fails: an error, and the second write is never sent.
        m_prompts.clear();
        m_meter->clearRequests();
        m_meter->injectFault(VirtualInstrument::Fault::WrongEcho);
        child<QPushButton>("writehostconfiguretBtn")->click();
        QCOMPARE(m_prompts.lastText(), u"parameter configuration Error!"_s);
        QCOMPARE(requestsStartingWith(QByteArray::fromHex("AB71")), 1);
        QCOMPARE(requestsStartingWith(QByteArray::fromHex("AB77")), 0);
    }

    void probeReportsWhileIdle()
    {
        start(7001297);
        QCOMPARE(child<QLineEdit>("serialNoEdit")->text(), u"4294967295"_s);
        m_meter->setProbeConnected(false);
        QTRY_COMPARE(m_prompts.prompts().size(), 1);
        QCOMPARE(m_prompts.prompts().first().text, u"No probe connection!"_s);
        QTRY_VERIFY(child<QLineEdit>("serialNoEdit")->text().isEmpty());

        m_prompts.clear();
        m_meter->setSerialNumber(99);
        m_meter->setProbeConnected(true);
        QTRY_COMPARE(m_prompts.prompts().size(), 1);
        QCOMPARE(m_prompts.prompts().first().text, u"Probe connection!"_s);
        QTRY_COMPARE(child<QLineEdit>("serialNoEdit")->text(), u"99"_s);

        // Other states, and frames that only look like a probe report, are skipped: the report
        // sent after them, split over two reads, is the only one told.
        m_prompts.clear();
        const qint64 delivered = m_meter->reportsDelivered();
        m_meter->sendUnsolicited(Bytes::withCrc(QByteArray::fromHex("AB220D0002000500")));
        m_meter->sendUnsolicited(QByteArray::fromHex("AB220E000200000000"));
        const QByteArray report = Bytes::withCrc(QByteArray::fromHex("AB220D0002000000"));
        m_meter->sendUnsolicited(report.left(3));
        QTRY_VERIFY(m_meter->reportsDelivered() >= delivered + 3);
        m_meter->sendUnsolicited(report.mid(3));
        QTRY_VERIFY(!m_prompts.prompts().isEmpty());
        QCOMPARE(m_prompts.texts(), QStringList{u"No probe connection!"_s});
    }

    void unplugDuringMessageBoxes()
    {
        // The instrument goes while a box is open: the box's event loop handles the removal,
        // which stops the worker; a page holding the lock there would hang the program. The box
        // stays open until the window has let go of the link (5 s at most).
        m_prompts.setWhileOpen([this](QEventLoop &loop) {
            if (!m_meter->isPlugged())
                return 0;
            m_meter->unplug();
            auto *handled = new QTimer(&loop);
            connect(handled, &QTimer::timeout, &loop, [&loop] {
                if (!MainWindow::instance()->link())
                    loop.quit();
            });
            handled->start(10);
            return 5000;
        });
        start(7001297);
        child<QPushButton>("writehostconfiguretBtn")->click(); // the question
        QVERIFY(!MainWindow::instance()->link());
        QVERIFY(!page()->workerControl()->isRunning());
        QVERIFY(!page()->busy);

        // A probe message during Get Data.
        start(7001297);
        m_prompts.clear();
        m_meter->setProbeConnected(false);
        QTRY_VERIFY(!m_prompts.prompts().isEmpty()); // the notification's own box, idle
        QVERIFY(!MainWindow::instance()->link());
        // Plugged again without its probe: the instrument goes while "No probe connection!"
        // of the detection is open; no worker may be left polling a closed link.
        m_prompts.clear();
        m_meter->plug();
        QTRY_VERIFY(!m_prompts.prompts().isEmpty());
        QTRY_VERIFY(!m_meter->isPlugged());
        QVERIFY(!MainWindow::instance()->link());
        QVERIFY(!page()->workerControl()->isRunning());

        // The time-out message of a fetch.
        start(7001297);
        silenceGroupReplies();
        getData();
        QTRY_VERIFY_WITH_TIMEOUT(!page()->busy, 20000);
        QVERIFY(!MainWindow::instance()->link());
        QVERIFY(!page()->workerControl()->isRunning());

        // And after all that, a re-plug works.
        m_prompts.setWhileOpen({});
        m_meter->plug();
        QTRY_VERIFY(MainWindow::instance()->link());
        QVERIFY(page()->workerControl()->isRunning());
        getData();
        QTRY_COMPARE(table()->rowCount(), 9);
    }

    void reportButtonOpensSnapshot()
    {
        start(7001297);
        getData();
        QTRY_COMPARE(table()->rowCount(), 9);
        auto *ops = qobject_cast<TableOpWidget *>(table()->cellWidget(2, 7));
        ops->ReportBtn->click();
        ops->ReportBtn->click();
        QCOMPARE(page()->findChildren<ReportPageFor415 *>().size(), 2);
        // The report checks the row's group as fetched.
        const Recording &reported = page()->findChild<ReportPageFor415 *>()->recording;
        QCOMPARE(reported.shown.mid(1), QStringList({cell(2, 1), cell(2, 2), cell(2, 3), cell(2, 4),
                                                     cell(2, 5), cell(2, 6)}));
        QCOMPARE(reported.unit, u"uW/cm²"_s);
        const MeterReportValues &v = page()->reportValues;
        QCOMPARE(QStringList(
                     {v.serialNo, v.deviceName, v.energy, v.powerAVG, v.duration, v.powerUnitHtml}),
                 QStringList({"4294967295", "VT415-M1", cell(2, 1), cell(2, 6), cell(2, 2),
                              "uW/cm<sup>2</sup>"}));

        // Clear keeps the headers and empties the unit texts.
        child<QPushButton>("ClearBtn")->click();
        QCOMPARE(table()->rowCount(), 0);
        QVERIFY(page()->reportValues.powerUnitHtml.isEmpty());
        QCOMPARE(header(3), u"Power(RT) uW/cm²"_s);
    }

    void energyCheckMarksCells()
    {
        const QString here = QDir::currentPath();
        const auto back = qScopeGuard([&here] { QDir::setCurrent(here); });
        QVERIFY(QDir::setCurrent(QString::fromUtf8(SOLVANE_QM_DIR)));
        start(7001297);
        MainWindow::instance()->on_btnLanguageEn_clicked();
        // RT, MAX, MIN, AVG, energy, duration: AVG × duration is 6000 in each.
        struct Case {
            float energy;
            const char *shown;
            const char *percent; // in the tooltip; none when the group agrees
        };
        const Case cases[] = {
            {6000, "6000.0", nullptr},  {6600, "6600.0", "10.0 %"}, {6240, "6240.0", nullptr},
            {5400, "5400.0", "10.0 %"}, {6299, "6299.0", nullptr},  {0, "0.0", "100.0 %"},
        };
        QVector<VirtualInstrument::MeterGroup> groups;
        for (const Case &c : cases)
            groups.append({90, 120, 80, 100, c.energy, 60});
        m_meter->setMeterGroups(groups);
        getData();
        QTRY_COMPARE(table()->rowCount(), 6);
        QTRY_VERIFY(!page()->busy);
        auto *summary = child<QLabel>("energyCheckLab");
        for (int row = 0; row < 6; ++row) {
            const Case &c = cases[row];
            const QTableWidgetItem *energy = table()->item(row, 1);
            QCOMPARE(energy->text(), QString::fromLatin1(c.shown));
            QCOMPARE(cell(row, 6), u"100.0"_s);
            QCOMPARE(!energy->icon().isNull(), c.percent != nullptr);
            if (c.percent)
                QVERIFY2(energy->toolTip().contains(QLatin1String(c.percent)),
                         qPrintable(energy->toolTip()));
            else
                QVERIFY(energy->toolTip().isEmpty());
        }
        QCOMPARE(summary->text(), u"Energy check: 3 of 6 groups differ from AVG × duration by "
                                  "more than 5 % (the marked Energy cells)."_s);
        QVERIFY(!summary->isHidden());
        QVERIFY(m_prompts.prompts().isEmpty());

        // Both speak the other language; the mark goes with the rows.
        const QString english = table()->item(1, 1)->toolTip();
        MainWindow::instance()->on_btnLanguageZh_clicked();
        QVERIFY(table()->item(1, 1)->toolTip() != english);
        QVERIFY(!summary->text().startsWith(u"Energy check"_s));
        child<QPushButton>("ClearBtn")->click();
        QVERIFY(summary->isHidden());
    }

    void grabsWithRows()
    {
        QVERIFY(QDir::setCurrent(QString::fromUtf8(SOLVANE_QM_DIR)));
        start(7001297);
        MainWindow *window = MainWindow::instance();
        window->on_btnLanguageZh_clicked();
        getData();
        QTRY_COMPARE(table()->rowCount(), 9);
        QVERIFY(WindowGrab::save(window, u"meter_zh.png"_s));
        window->on_btnLanguageEn_clicked();
        QCOMPARE(header(3), u"Power(RT) uW/cm²"_s);
        QCOMPARE(qobject_cast<TableOpWidget *>(table()->cellWidget(0, 7))->ReportBtn->text(),
                 u"Report"_s);
        QVERIFY(WindowGrab::save(window, u"meter_en.png"_s));
    }

private:
    void start(quint32 model, int groups = 9, quint8 unit = 0)
    {
        m_meter = m_plugged.create(VirtualInstrument::Family::Meter, model);
        m_meter->setSerialNumber(4294967295u);
        m_meter->setFirmwareVersion(100);
        m_meter->setMeterGroups(SampleData::meterGroups(groups));
        m_meter->setMeasureSettings(0, 10, 0, unit);
        m_plugged.start(m_meter);
        QVERIFY(page()->workerControl()->isRunning());
    }

    template <typename T> T *child(const char *name) const
    {
        return page()->findChild<T *>(QString::fromLatin1(name));
    }
    FirstPageFor415 *page() const { return MainWindow::instance()->meterPage(); }
    QTableWidget *table() const { return child<QTableWidget>("tbData"); }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem *item = table()->item(row, column);
        return item ? item->text() : u"<none>"_s;
    }
    QString header(int column) const { return table()->horizontalHeaderItem(column)->text(); }
    void getData() { child<QPushButton>("GetDataBtn")->click(); }

    // The six setup and count replies of the fetch pass untouched (a split at 0 changes nothing);
    // the nine group replies never come.
    void silenceGroupReplies()
    {
        for (int i = 0; i < 6; ++i)
            m_meter->injectFault(VirtualInstrument::Fault::SplitReply, 0);
        for (int i = 0; i < 9; ++i)
            m_meter->injectFault(VirtualInstrument::Fault::NoReply);
    }

    QList<int> checkedIds() const
    {
        return {page()->autoOffGroup->checkedId(), page()->energyDisplayGroup->checkedId(),
                page()->filterGroup->checkedId(), page()->unitGroup->checkedId()};
    }
    int requestsStartingWith(const QByteArray &head) const
    {
        int n = 0;
        for (const QByteArray &r : m_meter->requests())
            n += r.startsWith(head);
        return n;
    }

    PromptRecorder m_prompts;
    PluggedInstrument m_plugged;
    VirtualInstrument *m_meter = nullptr;
};

QTEST_MAIN(tst_Meter)
#include "tst_meter.moc"
