// The application shell: start-up, family detection, hot-plug, languages, single instance.
#include "appstyle.h"
#include "catalogue.h"
#include "clinker.h"
#include "demoinstrument.h"
#include "firstpagefor415.h"
#include "firstpagefor416.h"
#include "instrumentprotocol.h"
#include "librarymodel.h"
#include "librarypassword.h"
#include "librarywindow.h"
#include "mainwindow.h"
#include "pluggedinstrument.h"
#include "pollingworkercontrol.h"
#include "programsettings.h"
#include "promptrecorder.h"
#include "reportpagefor415.h"
#include "reportpagefor416.h"
#include "singleinstance.h"
#include "tableopwidget.h"
#include "uvpowercurvepagefor416.h"

#include <QLabel>
#include <QLockFile>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

class tst_App : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_startDir = QDir::currentPath();
        AppStyle::applyStyleSheet();
        AppStyle::applyFont();
    }
    void init()
    {
        InstrumentProtocol::setReceiveTimeoutMs(300);
        // The translations are built next to the program.
        QVERIFY(QDir::setCurrent(Catalogue::directory()));
        m_recorder.clear();
    }
    void cleanup()
    {
        m_plugged.reset();
        QDir::setCurrent(m_startDir);
    }

    void paletteComesFromTheSheet()
    {
        const QString first =
            QStringLiteral("QPalette{background:#FFFFFF;}*{outline:0px;color:#00BFFF;}");
        QCOMPARE(AppStyle::paletteColor(first), QColor(Qt::white));
        // Whatever stands at characters 20 to 26 is taken.
        QCOMPARE(AppStyle::paletteColor(QStringLiteral("QPalette{background:#12AB34;}")),
                 QColor(0x12, 0xAB, 0x34));
        QVERIFY(!AppStyle::paletteColor(QStringLiteral("QWidget{background-color:#12AB34;}"))
                     .isValid());
        QVERIFY(!AppStyle::paletteColor(QString()).isValid());

        QFile sheet(QString::fromLatin1(AppStyle::StyleSheetPath));
        QVERIFY(sheet.open(QFile::ReadOnly));
        QVERIFY(sheet.readAll().startsWith(first.toLatin1()));
        QVERIFY(AppStyle::applyStyleSheet());
        QCOMPARE(qApp->palette().color(QPalette::Window), QColor(Qt::white));
        QVERIFY(!AppStyle::applyStyleSheet(QStringLiteral(":/no/such.css")));
        QCOMPARE(qApp->font().family(), QStringLiteral("Microsoft Yahei"));
        QCOMPARE(qApp->font().pointSize(), 12);
    }
    void startsInChineseWithTheLoggerPage()
    {
        MainWindow *window = startWith(nullptr);
        QCOMPARE(window->objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(window->size(), QSize(1333, 688));
        QVERIFY(!window->link());
        QCOMPARE(window->family(), 0);
        QCOMPARE(window->currentPageIndex(), MainWindow::LoggerIndex);
        auto *stack = window->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
        QVERIFY(stack);
        QCOMPARE(stack->widget(0), static_cast<QWidget *>(window->loggerPage()));
        QCOMPARE(stack->widget(1), static_cast<QWidget *>(window->meterPage()));
        QCOMPARE(indicator(), image(":/image/led_off.png"));
        QVERIFY(window->loggerPage()->isChinese);
        QVERIFY(window->meterPage()->isChinese);
        auto *zh = window->findChild<QPushButton *>(QStringLiteral("btnLanguageZh"));
        auto *en = window->findChild<QPushButton *>(QStringLiteral("btnLanguageEn"));
        QVERIFY(zh && en);
        QCOMPARE(zh->text(), QStringLiteral("中文"));
        QCOMPARE(en->text(), QStringLiteral("English"));
        QCOMPARE(en->focusPolicy(), Qt::NoFocus);
        QVERIFY(en->minimumSize() == QSize(100, 35));
        QCOMPARE(QCoreApplication::translate("MainWindow", "Warn"), QStringLiteral("警告"));
        QVERIFY(window->styleSheet().contains(
            QStringLiteral("QRadioButton::indicator{width:15px;height:15px;}")));
        QVERIFY(window->windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(m_prompts.isEmpty());
    }
    void familyDetection_data()
    {
        QTest::addColumn<quint32>("code");
        QTest::addColumn<int>("family");
        for (quint32 code : {5633416u, 7003416u, 25633416u})
            QTest::addRow("logger %u", code) << code << 416;
        // Every code that is not a logger's is a meter, including a logger's code plus one.
        for (quint32 code : {7001297u, 27004254u, 5633417u})
            QTest::addRow("meter %u", code) << code << 415;
    }
    void familyDetection()
    {
        QFETCH(quint32, code);
        QFETCH(int, family);
        VirtualInstrument *instrument =
            m_plugged.create(family == 416 ? Family::Logger : Family::Meter, code);
        instrument->setSerialNumber(code + 1);
        MainWindow *window = startWith(instrument);
        QVERIFY(window->IsLinkOpen());
        QCOMPARE(indicator(), image(":/image/led_on.png"));
        const char *state = family == 416 ? "logger 416 idle %1" : "meter 415 running %1";
        QCOMPARE(shown(), QString::fromLatin1(state).arg(code + 1));
        QVERIFY(m_prompts.isEmpty());
    }
    void familyDetectionMissingProbe()
    {
        VirtualInstrument *probeless = meter();
        probeless->setProbeConnected(false);
        MainWindow *window = startWith(probeless);
        QCOMPARE(said(), QStringList{QStringLiteral("警告: 探头未连接！")});
        QCOMPARE(shown(), QStringLiteral("meter 415 running ")); // device information not read
        QVERIFY(window->IsLinkOpen());
    }
    void familyDetectionFailures()
    {
        // -4: message, page and family stay as they were, link and indicator on.
        VirtualInstrument *blank = meter();
        blank->corruptBlock(7, 0x00, 18);
        MainWindow *window = startWith(blank);
        QCOMPARE(m_recorder.texts(), QStringList{QStringLiteral("仪器未配置生产信息！")});
        QCOMPARE(shown(), QStringLiteral("logger 0 idle "));
        QVERIFY(window->IsLinkOpen());
        QCOMPARE(indicator(), image(":/image/led_on.png"));

        // After a meter was shown, a failing detection leaves the meter page and family alone.
        VirtualInstrument *meter = this->meter();
        window = startWith(meter);
        QCOMPARE(window->family(), 415);
        m_recorder.clear();
        window->meterPage()->closeThreadSlot();

        // -3, -2 and -1: nothing more than what the exchange itself said.
        meter->injectFault(VirtualInstrument::Fault::WrongEcho);
        window->SwitchPageByModel();
        QVERIFY(m_prompts.isEmpty());
        meter->injectFault(VirtualInstrument::Fault::NoReply);
        window->SwitchPageByModel();
        QVERIFY(m_prompts.isEmpty());
        QCOMPARE(window->currentPageIndex(), MainWindow::MeterIndex);
        QCOMPARE(window->family(), 415);
        meter->unplug(); // the removal notice is still queued
        window->SwitchPageByModel();
        QCOMPARE(m_recorder.texts(), QStringList{QStringLiteral("发送数据错误！")});
        QCOMPARE(window->currentPageIndex(), MainWindow::MeterIndex);
    }
    void exchangeTroublesInTheWindowsWords()
    {
        VirtualInstrument *logger = this->logger();
        MainWindow *window = startWith(logger);
        QPointer<CLinker> first = window->link();
        QVERIFY(window->OpenUSB()); // a second arrival changes nothing
        QCOMPARE(window->link(), first.data());
        window->on_btnLanguageEn_clicked();
        m_recorder.clear();
        logger->injectFault(VirtualInstrument::Fault::BadFrameCrc);
        QDateTime when;
        QCOMPARE(InstrumentProtocol::instance()->ReadDateTime(when), InstrumentProtocol::NoReply);
        logger->unplug(); // the removal notice is still queued
        int value = 0;
        QCOMPARE(InstrumentProtocol::instance()->ReadHostConfigure(value, value, value, value),
                 InstrumentProtocol::NotSent);
        QCOMPARE(said(), (QStringList{QStringLiteral("information: Message format error！"),
                                      QStringLiteral("information: Send data Error！")}));
        // The window owns the link: closing deletes it, and nothing plugged opens nothing.
        window->CloseUSB();
        QVERIFY(first.isNull());
        QVERIFY(!window->OpenUSB());
    }
    void arrivalNoticesOpenOnce()
    {
        MainWindow *window = startWith(nullptr);
        window->deviceArrived(); // nothing plugged: nothing opens
        QVERIFY(!window->link());

        VirtualInstrument *logger = this->logger();
        m_plugged.plug(logger);
        logger->clearRequests();
        window->deviceArrived();
        CLinker *link = window->link();
        QVERIFY(link);
        const int afterFirst = logger->requests().size();
        QVERIFY(afterFirst > 0);
        window->deviceArrived();
        window->deviceArrived();
        QCOMPARE(window->link(), link);
        QCOMPARE(logger->requests().size(), afterFirst); // the later notices read nothing
    }
    void instrumentWithoutPermission()
    {
        VirtualInstrument *logger = this->logger();
        logger->setOpenRefused(false, true);
        MainWindow *window = startWith(logger);
        QVERIFY(!window->link());
        QCOMPARE(m_prompts.size(), 1);
        QVERIFY(m_prompts.first().text.contains(QStringLiteral("70-solvane.rules")));
        // Further notices of the same refusal stay quiet.
        window->deviceArrived();
        window->deviceArrived();
        QCOMPARE(m_prompts.size(), 1);

        // Held by another program: silent, as before.
        logger->setOpenRefused(true, false);
        window->deviceArrived();
        QCOMPARE(m_prompts.size(), 1);

        // Once the rule is in place the instrument opens; a later refusal is reported again.
        logger->setOpenRefused(false, false);
        window->deviceArrived();
        QVERIFY(window->link());
        window->CloseUSB();
        logger->setOpenRefused(false, true);
        window->deviceArrived();
        QCOMPARE(m_prompts.size(), 2);
    }
    void removalNotices()
    {
        VirtualInstrument *logger = this->logger();
        MainWindow *window = startWith(logger);
        CLinker *link = window->link();
        // Another device went: the instrument still answers, the link stays.
        window->deviceRemoved();
        QCOMPARE(window->link(), link);
        QVERIFY(window->IsLinkOpen());

        // The instrument itself went: the monitor's notice closes the link.
        logger->unplug();
        QTRY_VERIFY(!window->link());
        QCOMPARE(indicator(), image(":/image/led_off.png"));
        window->deviceRemoved(); // no link: nothing to do
        QVERIFY(!window->link());

        // Plugged again: the monitor's arrival notice opens a fresh link.
        logger->plug();
        QTRY_VERIFY(window->link());
        QCOMPARE(window->family(), 416);
    }
    void unplugClearsAndOtherFamilySwitches()
    {
        VirtualInstrument *logger = this->logger();
        logger->setSerialNumber(555);
        MainWindow *window = startWith(logger);
        QCOMPARE(shown(), QStringLiteral("logger 416 idle 555"));
        logger->unplug();
        QTRY_VERIFY(!window->link());
        QCOMPARE(shown(), QStringLiteral("logger 416 idle ")); // still shown

        VirtualInstrument *meter = this->meter(7002395);
        meter->setSerialNumber(777);
        m_plugged.plug(meter);
        window->deviceArrived();
        QCOMPARE(shown(), QStringLiteral("meter 415 running 777"));

        // Unplugging the meter stops its worker before the link goes, and clears the meter page.
        meter->unplug();
        window->deviceRemoved();
        QVERIFY(!window->link());
        QCOMPARE(shown(), QStringLiteral("meter 415 idle "));

        // And back to a logger.
        m_plugged.plug(this->logger(7003416));
        window->deviceArrived();
        QCOMPARE(window->currentPageIndex(), MainWindow::LoggerIndex);
        QCOMPARE(window->family(), 416);
    }
    void languageSwitch()
    {
        MainWindow *window = startWith(nullptr);
        auto *en = window->findChild<QPushButton *>(QStringLiteral("btnLanguageEn"));
        auto *zh = window->findChild<QPushButton *>(QStringLiteral("btnLanguageZh"));
        QCOMPARE(QCoreApplication::translate("FirstPageFor415", "Get Data"),
                 QStringLiteral("获取数据"));

        QTest::mouseClick(en, Qt::LeftButton);
        QVERIFY(!window->loggerPage()->isChinese);
        QVERIFY(!window->meterPage()->isChinese);
        QCOMPARE(QCoreApplication::translate("FirstPageFor415", "Get Data"),
                 QStringLiteral("Get Data"));
        QCOMPARE(QCoreApplication::translate("MainWindow", "Warn"), QStringLiteral("Warn"));

        // Without the files nothing changes, and the language in force stays.
        QTemporaryDir empty;
        QVERIFY(QDir::setCurrent(empty.path()));
        QTest::mouseClick(zh, Qt::LeftButton);
        QVERIFY(!window->loggerPage()->isChinese);
        QCOMPARE(QCoreApplication::translate("MainWindow", "Warn"), QStringLiteral("Warn"));

        QVERIFY(QDir::setCurrent(Catalogue::directory()));
        QTest::mouseClick(zh, Qt::LeftButton);
        QVERIFY(window->loggerPage()->isChinese);
        QCOMPARE(QCoreApplication::translate("MainWindow", "Warn"), QStringLiteral("警告"));
        QVERIFY(QDir::setCurrent(empty.path()));
        QTest::mouseClick(en, Qt::LeftButton);
        QVERIFY(window->meterPage()->isChinese);
        QCOMPARE(QCoreApplication::translate("MainWindow", "Warn"), QStringLiteral("警告"));
    }
    void languageAndSizeKeptBetweenStarts()
    {
        // Nothing kept: Chinese at the window's own size.
        ProgramSettings().clear();
        MainWindow *window = MainWindow::instance();
        QVERIFY(window->loggerPage()->isChinese);
        QCOMPARE(window->size(), QSize(1333, 688));
        // What one start chose comes up at the next, until chosen anew.
        const struct {
            const char *button;
            bool chinese;
            QSize size;
        } starts[] = {{"btnLanguageEn", false, {1400, 760}}, {"btnLanguageZh", true, {1360, 740}}};
        for (const auto &start : starts) {
            QTest::mouseClick(window->findChild<QPushButton *>(QLatin1String(start.button)),
                              Qt::LeftButton);
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            window->resize(start.size);
            QCOMPARE(window->size(), start.size);
            window->close();
            MainWindow::destroyInstance();
            window = MainWindow::instance();
            QCOMPARE(window->loggerPage()->isChinese, start.chinese);
            QCOMPARE(window->meterPage()->isChinese, start.chinese);
            QCOMPARE(QCoreApplication::translate("MainWindow", "Warn"),
                     start.chinese ? QStringLiteral("警告") : QStringLiteral("Warn"));
            QCOMPARE(window->size(), start.size);
        }
        QVERIFY(m_prompts.isEmpty());
    }
    void grabsWithRealGlyphs()
    {
        VirtualInstrument *logger = this->logger();
        MainWindow *window = startWith(logger);
        window->setWindowTitle(QStringLiteral("Solvane V2.3"));
        // The Chinese texts need a font that has their glyphs.
        const QFontMetrics metrics(qApp->font());
        for (QChar c : QStringLiteral("中文获取数据记录型辐照计警告㎡"))
            QVERIFY2(metrics.inFont(c), qPrintable(QString(c)));

        const QString dir = QStringLiteral(SOLVANE_GRAB_DIR);
        save(window, dir + QStringLiteral("/mainwindow_zh.png"));
        window->on_btnLanguageEn_clicked();
        save(window, dir + QStringLiteral("/mainwindow_en.png"));
        QVERIFY(QFileInfo(dir + QStringLiteral("/mainwindow_en.png")).size() > 1000);
    }
    void readmeScreenshotsUnderTheStyleSheet()
    {
        // The demo instruments, as `--demo` shows them, under the style sheet of initTestCase.
        const auto save = [this](QWidget *window, const char *name) {
            this->save(window, QStringLiteral(SOLVANE_GRAB_DIR "/readme/") + QLatin1String(name));
        };
        FirstPageFor416::setClockHoldMs(0);
        VirtualInstrument *logger =
            m_plugged.adopt(DemoInstrument::create(QStringLiteral("logger"), nullptr));
        MainWindow *window = startWith(logger);
        window->setWindowTitle(QStringLiteral("Solvane V2.3"));
        FirstPageFor416 *loggerPage = window->loggerPage();
        loggerPage->findChild<QPushButton *>(QStringLiteral("GetDataBtn"))->click();
        auto *table = loggerPage->findChild<QTableWidget *>(QStringLiteral("tbData"));
        QCOMPARE(table->rowCount(), 3);
        save(window, "logger_zh.png");
        // The curve in both languages, read at one sample as under the mouse.
        const auto saveCurve = [&](const char *name) {
            qobject_cast<TableOpWidget *>(table->cellWidget(2, 7))->CurveBtn->click();
            auto *curve = loggerPage->findChildren<UVPowerCurvePageFor416 *>().last();
            curve->resize(1220, 673);
            curve->showReadoutAt(
                UVPowerCurvePageFor416::keyOf(curve->recording(), 50, curve->timeAxis()));
            save(curve, name);
            curve->close();
        };
        saveCurve("loggercurve_zh.png");
        window->on_btnLanguageEn_clicked();
        save(window, "logger_en.png");
        saveCurve("loggercurve_en.png");
        auto *ops = qobject_cast<TableOpWidget *>(table->cellWidget(2, 7));
        ops->ReportBtn->click();
        save(loggerPage->findChild<ReportPageFor416 *>(), "loggerreport_en.png");
        FirstPageFor416::setClockHoldMs(FirstPageFor416::ClockHoldMs);

        VirtualInstrument *meter =
            m_plugged.adopt(DemoInstrument::create(QStringLiteral("meter"), nullptr));
        window = startWith(meter);
        window->setWindowTitle(QStringLiteral("Solvane V2.3"));
        window->on_btnLanguageEn_clicked();
        FirstPageFor415 *meterPage = window->meterPage();
        meterPage->findChild<QPushButton *>(QStringLiteral("GetDataBtn"))->click();
        table = meterPage->findChild<QTableWidget *>(QStringLiteral("tbData"));
        QTRY_COMPARE(table->rowCount(), 4);
        save(window, "meter_en.png");
        qobject_cast<TableOpWidget *>(table->cellWidget(0, 7))->ReportBtn->click();
        save(meterPage->findChild<ReportPageFor415 *>(), "meterreport_en.png");

        // Both downloads are in the library, whose window opens without an instrument.
        window->findChild<QPushButton *>(QStringLiteral("btnLibrary"))->click();
        auto *library = window->findChild<LibraryWindow *>();
        QVERIFY(library && library->model()->total() >= 7);
        library->resize(1180, 420);
        save(library, "library_en.png");
    }
    // A PostgreSQL library that wants a password nobody keeps: asked for once, it opens;
    // with no keyring running the page says that ~/.pgpass keeps it.
    void libraryPassword()
    {
        const QString dir = qEnvironmentVariable("SOLVANE_TEST_PG_DIR");
        QVERIFY2(!dir.isEmpty(), "the PostgreSQL fixture did not run");
        QFile uri(QDir(dir).filePath(QStringLiteral("uri")));
        QFile pgpass(QDir(dir).filePath(QStringLiteral("pgpass")));
        QVERIFY(uri.open(QIODevice::ReadOnly) && pgpass.open(QIODevice::ReadOnly));
        const QString right =
            QString::fromUtf8(pgpass.readAll().trimmed()).section(QLatin1Char(':'), -1);
        QTemporaryDir temp;
        const QString empty = temp.filePath(QStringLiteral("pgpass"));
        QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
        const QByteArray names[] = {"SOLVANE_LIBRARY", "PGPASSFILE", "DBUS_SESSION_BUS_ADDRESS",
                                    "DISPLAY"};
        const QByteArray values[] = {uri.readAll().trimmed(), QFile::encodeName(empty), {}, {}};
        QByteArray was[4];
        for (int i = 0; i < 4; ++i) {
            was[i] = qgetenv(names[i]);
            values[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], values[i]);
        }
        auto restore = qScopeGuard([&] {
            for (int i = 0; i < 4; ++i)
                was[i].isNull() ? qunsetenv(names[i]) : qputenv(names[i], was[i]);
            m_recorder.setAnswer({});
        });
        int asked = 0;
        m_recorder.setAnswer([&](const UserPrompts::Prompt &prompt) {
            UserPrompts::Answer answer;
            if (prompt.kind == UserPrompts::Kind::Password) {
                ++asked;
                answer.text = right;
            }
            return answer;
        });
        LibraryLocation where;
        QVERIFY(LibraryLocation::parse(QString::fromUtf8(values[0]), where, nullptr));
        LibraryPassword::forget(where); // a store that runs (Windows) holds none for it
        MainWindow *window = startWith(nullptr);
        QCOMPARE(asked, 1);
        QVERIFY(window->loggerPage()->library()->isOpen());
        // Kept by the system's store where one runs; else the page says where to keep it.
        QString kept;
        const bool stored = LibraryPassword::read(where, kept) && kept == right;
        LibraryPassword::forget(where);
        for (FamilyPage *page : {static_cast<FamilyPage *>(window->loggerPage()),
                                 static_cast<FamilyPage *>(window->meterPage())})
            QVERIFY2(stored ? page->libraryNote().isEmpty()
                            : page->libraryNote().contains(LibraryPassword::passwordFile()) &&
                                  !page->libraryNote().contains(right),
                     qPrintable(page->libraryNote()));
    }

    void singleInstanceInProcess()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        {
            SingleInstance first(QStringLiteral("solvane-test"));
            QVERIFY(first.isPrimary());
            // Windows keeps it in the user's own temporary folder.
            QVERIFY(first.lockPath().startsWith(QSysInfo::kernelType() == QLatin1String("winnt")
                                                    ? QDir::tempPath()
                                                    : runtime.path()));
            QSignalSpy received(&first, &SingleInstance::messageReceived);
            SingleInstance second(QStringLiteral("solvane-test"));
            QVERIFY(!second.isPrimary());
            // A Windows pipe write waits for its reader, which here is the same thread: the
            // message is tested between two processes (singleInstanceTwoProcesses).
            if (QSysInfo::kernelType() != QLatin1String("winnt")) {
                QVERIFY(second.sendMessage(QStringLiteral("active!!!!!"), 5000));
                QTRY_COMPARE(received.size(), 1);
                QCOMPARE(received.first().first().toString(), QStringLiteral("active!!!!!"));
            }
        }
        // A lock left by a copy that was killed is taken over (no process has this id).
        {
            SingleInstance probe(QStringLiteral("solvane-stale"));
            QFile lock(probe.lockPath());
            QVERIFY(lock.open(QFile::WriteOnly));
            lock.write("4194300\nsolvane\n" + QSysInfo::machineHostName().toUtf8() + "\n");
            lock.close();
            QVERIFY(probe.isPrimary());
            SingleInstance late(QStringLiteral("solvane-stale"));
            QVERIFY(!late.isPrimary());
        }
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void singleInstanceWithoutRuntimeFolder()
    {
        if (QSysInfo::kernelType() == QLatin1String("winnt"))
            QSKIP("Windows keeps the lock in the profile's own temporary folder.");
        // No usable runtime folder: none named, and a file where Qt would make its own in the
        // temporary folder. The lock then goes to a private folder of the user's own, never to
        // the shared temporary folder, where another user could take its names first.
        QTemporaryDir home;
        const QByteArray tmp = qgetenv("TMPDIR");
        auto restore = qScopeGuard([&] {
            tmp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", tmp);
            qunsetenv("XDG_CACHE_HOME");
        });
        qunsetenv("XDG_RUNTIME_DIR");
        qputenv("TMPDIR", QFile::encodeName(home.path()));
        qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
        const QString qtOwn = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        QVERIFY2(qtOwn.startsWith(home.path()) && QDir().rmdir(qtOwn), qPrintable(qtOwn));
        QVERIFY(QFile(qtOwn).open(QFile::WriteOnly));
        QVERIFY(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation).isEmpty());
        const QString own = home.filePath(QStringLiteral("cache/solvane"));
        const struct {
            const char *name;
            std::function<void()> prepare;
            bool usable;
        } cases[] = {
            {"made private", [] {}, true},
            {"loose rights tightened",
             [&] {
                 QVERIFY(QDir().mkpath(own));
                 QVERIFY(QFile::setPermissions(own, QFile::Permissions(0x7777)));
             },
             true},
            {"a link is refused",
             [&] {
                 QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("elsewhere"))));
                 QVERIFY(QFile::link(home.filePath(QStringLiteral("elsewhere")), own));
             },
             false},
        };
        for (const auto &c : cases) {
            QDir(own).removeRecursively();
            QFile::remove(own);
            c.prepare();
            SingleInstance single(QStringLiteral("solvane-private"));
            QCOMPARE(single.isPrimary(), c.usable);
            QVERIFY2(single.errorString().isEmpty() == c.usable, c.name);
            if (c.usable) {
                QCOMPARE(QFileInfo(single.lockPath()).absolutePath(), own);
                QCOMPARE(QFileInfo(own).permissions() & 0x0077, QFile::Permissions());
            } else {
                QVERIFY2(single.errorString().contains(own), qPrintable(single.errorString()));
                QVERIFY(QDir(home.filePath(QStringLiteral("elsewhere"))).isEmpty());
            }
        }
    }
    void singleInstanceTwoProcesses()
    {
        QTemporaryDir runtime;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // A Windows program without a console logs to the debugger unless told otherwise.
        env.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
        const QString program = QStringLiteral(SOLVANE_BINARY);

        QProcess first;
        first.setProcessEnvironment(env);
        first.setWorkingDirectory(Catalogue::directory());
        first.start(program, {QStringLiteral("--demo"), QStringLiteral("logger"),
                              QStringLiteral("--answer-prompts")});
        QVERIFY(first.waitForStarted());
        QByteArray firstLog;
        QTRY_VERIFY_WITH_TIMEOUT(
            (firstLog += first.readAllStandardError()).contains("hidDevice Open success!"), 20000);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(program, {QStringLiteral("--answer-prompts")});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(second.readAllStandardOutput().trimmed(),
                 QByteArray("Warn: Device already opened."));
        // The second copy never opened the instrument.
        QVERIFY(!second.readAllStandardError().contains("hidDevice Open"));

        QTRY_VERIFY_WITH_TIMEOUT((firstLog += first.readAllStandardError()).contains("active!!!!!"),
                                 20000);
        QCOMPARE(first.state(), QProcess::Running);
        // On Windows terminate() asks the program's windows to close, and offscreen windows
        // are no system windows: there it is ended as Task Manager would.
        if (QSysInfo::kernelType() == QLatin1String("winnt"))
            first.kill();
        else
            first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

private:
    using Family = VirtualInstrument::Family;
    VirtualInstrument *logger(quint32 code = 5633416)
    {
        return m_plugged.create(Family::Logger, code);
    }
    VirtualInstrument *meter(quint32 code = 7001297)
    {
        return m_plugged.create(Family::Meter, code);
    }
    // A fresh window started with this instrument plugged in (or none).
    MainWindow *startWith(VirtualInstrument *instrument) { return m_plugged.start(instrument); }
    QImage indicator() const;
    // Shows the window and saves what the user sees to `path`, its folder made if need be.
    static void save(QWidget *window, const QString &path)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // A language switch has only asked for a new layout; grab the one the user sees.
        QCoreApplication::processEvents();
        QVERIFY(window->grab().save(path));
    }
    // The page shown, the family, whether the meter's worker runs, the shown page's summary.
    static QString shown();
    // "title: text" of every prompt.
    QStringList said() const;
    static QImage image(const char *path) { return QPixmap(QString::fromLatin1(path)).toImage(); }

    PromptRecorder m_recorder;
    const QList<UserPrompts::Prompt> &m_prompts = m_recorder.prompts();
    PluggedInstrument m_plugged;
    QString m_startDir;
};

QImage tst_App::indicator() const
{
    const QLabel *label =
        MainWindow::instance()->findChild<QLabel *>(QStringLiteral("LinkStatusLabel"));
    return label ? label->pixmap().toImage() : QImage();
}

QString tst_App::shown()
{
    MainWindow *window = MainWindow::instance();
    const bool meter = window->currentPageIndex() == MainWindow::MeterIndex;
    if (!meter && window->currentPageIndex() != MainWindow::LoggerIndex)
        return QStringLiteral("no page");
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QLatin1String(meter ? "meter" : "logger"))
        .arg(window->family())
        .arg(QLatin1String(window->meterPage()->workerControl()->isRunning() ? "running" : "idle"))
        .arg(meter ? window->meterPage()->deviceSummary() : window->loggerPage()->deviceSummary());
}

QStringList tst_App::said() const
{
    QStringList list;
    for (const UserPrompts::Prompt &prompt : m_prompts)
        list.append(prompt.title + QStringLiteral(": ") + prompt.text);
    return list;
}

QTEST_MAIN(tst_App)
#include "tst_app.moc"
