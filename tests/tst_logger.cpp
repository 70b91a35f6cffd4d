// The logger page against the virtual logger: device information, setup, clock, the record
// download with its frame scan, the row actions, and the frame functions on their own.
#include "bytes.h"
#include "calibrationage.h"
#include "dose.h"
#include "firstpagefor416.h"
#include "frames.h"
#include "informationpagefor416.h"
#include "instrumentprotocol.h"
#include "librarymodel.h"
#include "librarywindow.h"
#include "loggerframes.h"
#include "loggermodels.h"
#include "mainwindow.h"
#include "pluggedinstrument.h"
#include "promptrecorder.h"
#include "recordinglibrary.h"
#include "reportpagefor416.h"
#include "sampledata.h"
#include "setupquestion.h"
#include "tableopwidget.h"
#include "uvpowercurvepagefor416.h"
#include "windowgrab.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>
#include <QtWidgets>
#include <algorithm>
#include <functional>
#include <limits>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

using SimRecording = VirtualInstrument::Recording;

// About 100 (g + 1), up and down by half steps; the g-th started March 1 + g, 09:g:30.
QVector<SimRecording> recordings(int count, int sampleCount = 40)
{
    return SampleData::recordings(count, sampleCount, 0.5f, 11,
                                  QDateTime(QDate(2024, 3, 1), QTime(9, 0, 30)));
}

QByteArray groupBytes(const SimRecording &r)
{
    const QDate d = r.start.date();
    const QTime t = r.start.time();
    QByteArray bytes =
        Bytes::of({d.year() - 2000, d.month(), d.day(), t.hour(), t.minute(), t.second()});
    for (float f : r.samples)
        bytes += Bytes::floatBytes(f);
    return bytes;
}

QByteArray frame(const QByteArray &data, quint32 address = 0)
{
    return Frames::recordFrame(data, address);
}

// A group request as it went out, CRC included.
QByteArray groupRequest(int group)
{
    return Bytes::withCrc(InstrumentProtocol::powerGroupRequest(384 + 2432 * group));
}

QString one(double v)
{
    return QString::number(v, 'f', 1);
}

} // namespace

class tst_Logger : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        InstrumentProtocol::setReceiveTimeoutMs(400);
        FirstPageFor416::setStallTimeoutMs(FirstPageFor416::StallTimeoutMs);
        // The clock read of every start would keep the clock buttons disabled for 10 s.
        FirstPageFor416::setClockHoldMs(0);
        m_prompts.clear();
        m_prompts.setAnswer({});
        m_during = nullptr;
    }

    void cleanup() { m_plugged.reset(); }

    void frameScanAndAssembly()
    {
        const QByteArray a = QByteArray::fromHex("0102030405060708090A0B");
        const QByteArray b = QByteArray::fromHex("C1C2C3");
        const QByteArray garbage = QByteArray::fromHex("55AB00AB1342AB");
        const QByteArray end = frame({});
        const QByteArray raw = frame(a) + garbage + frame(b) + end + frame(QByteArray("late"));

        // Fed byte by byte, the walk finds the end exactly when its last byte is there.
        qsizetype offset = 0;
        QByteArray fed;
        const qsizetype endAt =
            raw.indexOf(end, frame(a).size() + garbage.size() + frame(b).size());
        for (qsizetype i = 0; i < raw.size(); ++i) {
            fed.append(raw.at(i));
            const bool found = LoggerFrames::findEndFrame(fed, offset);
            QCOMPARE(found, i + 1 >= endAt + end.size());
            if (found)
                break;
        }
        // An end frame near the front, arriving with a later chunk, is still found.
        const QByteArray shortGroup = frame(QByteArray(6, '\x01')) + end;
        QVERIFY(shortGroup.size() < 30);
        offset = 0;
        QVERIFY(!LoggerFrames::findEndFrame(shortGroup.left(10), offset));
        QVERIFY(LoggerFrames::findEndFrame(shortGroup, offset));

        QList<int> skipped;
        QCOMPARE(LoggerFrames::assembleGroup(raw, &skipped), a + b); // nothing after the end
        QVERIFY(skipped.isEmpty());
        // A frame that claims more than arrived is left out, and so is one that ends exactly
        // at the end of the buffer.
        QByteArray truncated = frame(a) + frame(QByteArray(200, '\x07')).left(30);
        QCOMPARE(LoggerFrames::assembleGroup(truncated + QByteArray(3, '\0'), &skipped), a);
        QCOMPARE(skipped, QList<int>{200});
        QCOMPARE(LoggerFrames::assembleGroup(frame(a) + frame(b)), a);
        // Nothing that looks like a frame.
        offset = 0;
        QVERIFY(!LoggerFrames::findEndFrame(QByteArray::fromHex("AB42000000"), offset));
        QCOMPARE(offset, 0);
        QVERIFY(LoggerFrames::assembleGroup(QByteArray::fromHex("AB42AB")).isEmpty());
        QCOMPARE(LoggerFrames::groupAddress(0), 0x180u);
        QCOMPARE(LoggerFrames::groupAddress(24), 0x180u + 0x980u * 24);
    }

    void frameChecks()
    {
        using Check = LoggerFrames::GroupCheck;
        // A group as the logger numbers it: each frame at the address of its first data byte.
        const quint32 base = LoggerFrames::groupAddress(2);
        auto numbered = [](quint32 from) {
            QList<QByteArray> frames;
            quint32 at = from;
            for (const QByteArray &data : {QByteArray(52, '\x11'), QByteArray(52, '\x22'),
                                           QByteArray(20, '\x33'), QByteArray()}) {
                frames.append(frame(data, at));
                at += static_cast<quint32>(data.size());
            }
            return frames;
        };
        auto join = [](QList<QByteArray> frames, std::initializer_list<int> without = {}) {
            QByteArray raw;
            for (int i = 0; i < frames.size(); ++i) {
                if (std::find(without.begin(), without.end(), i) == without.end())
                    raw += frames.at(i);
            }
            return raw;
        };
        const QList<QByteArray> f = numbered(base);
        auto broken = [&](int which, qsizetype at) {
            QList<QByteArray> copy = f;
            copy[which][at] = static_cast<char>(copy[which][at] ^ 0x01);
            return join(copy);
        };
        const QByteArray probe =
            QByteArray::fromHex("AB220D0002000100") + QByteArray::fromHex("5555");
        // Every frame at the requested address, or all at 0: nothing to tell a gap by.
        QList<QByteArray> echoed, zeros;
        for (int i = 0; i < f.size(); ++i) {
            echoed.append(frame(f.at(i).mid(8, f.at(i).size() - 10), base));
            zeros.append(frame(f.at(i).mid(8, f.at(i).size() - 10)));
        }
        struct Case {
            const char *what;
            QByteArray raw;
            Check expected;
        };
        const Case cases[] = {
            {"whole", join(f), Check::Whole},
            {"bytes and a foreign frame between frames",
             f[0] + "\x55\xAB" + f[1] + probe + f[2] + f[3], Check::Whole},
            {"late bytes after the end frame", join(f) + "\xAB\x42\x01", Check::Whole},
            {"only the end frame", frame({}, base), Check::Whole},
            {"a data byte changed", broken(1, 20), Check::BadCrc},
            {"a length byte changed", broken(1, 6), Check::BadCrc},
            {"the end frame's CRC changed", broken(3, 9), Check::BadCrc},
            {"first frame missing", join(f, {0}), Check::MissingFrame},
            {"middle frame missing", join(f, {1}), Check::MissingFrame},
            {"last data frame missing", join(f, {2}), Check::MissingFrame},
            {"end frame missing", join(f, {3}), Check::Cut},
            {"end frame not all there", join(f).chopped(1), Check::Cut},
            {"a length beyond the bytes",
             f[0] + frame(QByteArray(200, '\x07'), base + 52).left(40) + f[3], Check::Cut},
            {"counted from 0", join(numbered(0)), Check::Whole},
            {"counted from 0, first frame missing", join(numbered(0), {0}), Check::MissingFrame},
            {"another group's address", join(numbered(base + 0x980)), Check::MissingFrame},
            {"all at the requested address", join(echoed), Check::Whole},
            {"all at the requested address, one missing", join(echoed, {1}), Check::Whole},
            {"all at 0, one missing", join(zeros, {0}), Check::Whole},
        };
        for (const Case &c : cases)
            QVERIFY2(LoggerFrames::checkGroup(c.raw, base) == c.expected, c.what);
    }

    void groupValues()
    {
        const SimRecording r{QDateTime(QDate(2031, 12, 31), QTime(23, 59, 58)), {1, 2, 3, 4}};
        QByteArray g = groupBytes(r);
        QCOMPARE(LoggerFrames::sampleCount(g), 4);
        QCOMPARE(LoggerFrames::sampleCount(g + "xyz"), 4); // a partial sample is not one
        QCOMPARE(LoggerFrames::startTimeText(g), u"2031-12-31 23:59:58"_s);
        QCOMPARE(LoggerFrames::compactTime(LoggerFrames::startTimeText(g)), u"20311231235958"_s);
        // Last, highest, lowest and mean; all negative, the first sample seeds both extremes.
        auto stats = [](const LoggerFrames::Statistics &s) {
            return QList<float>{float(s.count), s.rec, s.max, s.min, s.avg};
        };
        QCOMPARE(stats(LoggerFrames::statistics(g)), QList<float>({4, 4, 4, 1, 2.5f}));
        QCOMPARE(stats(LoggerFrames::statistics(groupBytes({r.start, {-5, -1, -10, -3}}))),
                 QList<float>({4, -3, -1, -10, -4.75f}));
        // The sum is single precision: 2^24 swallows the ones.
        const LoggerFrames::Statistics s =
            LoggerFrames::statistics(groupBytes({r.start, {16777216.0f, 1, 1, 1, 1}}));
        QCOMPARE(s.avg, 16777216.0f / 5);
        QVERIFY(s.avg != static_cast<float>(16777220.0 / 5));
        // Samples that are not numbers count for the duration only; none left shows nothing.
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        const LoggerFrames::Statistics n =
            LoggerFrames::statistics(groupBytes({r.start, {nan, 2, inf, 6, -inf}}));
        QCOMPARE(stats(n), QList<float>({5, 6, 6, 2, 4}));
        QCOMPARE(n.finiteCount, 2);
        QCOMPARE(LoggerFrames::statistics(groupBytes({r.start, {nan, inf}})).finiteCount, 0);
        QCOMPARE(stats(LoggerFrames::statistics(groupBytes({r.start, {3e38f, 3e38f}}))),
                 QList<float>({2, 3e38f, 3e38f, 3e38f, 3e38f}));

        // Too short for anything, and impossible dates.
        for (int n = 0; n < 6; ++n) {
            QCOMPARE(LoggerFrames::sampleCount(g.left(n)), 0);
            QVERIFY(LoggerFrames::startTimeText(g.left(n)).isEmpty());
            QCOMPARE(LoggerFrames::statistics(g.left(n)).count, 0);
        }
        QCOMPARE(LoggerFrames::statistics(g.left(9)).count, 0);
        QCOMPARE(LoggerFrames::sample(g, 4), 0.0f);
        g[1] = 13;
        QVERIFY(LoggerFrames::startTimeText(g).isEmpty());
        QVERIFY(LoggerFrames::compactTime(u"2031-13-01 00:00:00"_s).isEmpty());
        QVERIFY(LoggerFrames::compactTime(QString()).isEmpty());

        for (const auto &[autoOff, id, seconds] :
             {std::tuple{0, 0, 1}, {0, 1, 10}, {0, 2, 60}, {0, 7, 1}, {1, 2, 1}})
            QCOMPARE(LoggerModels::intervalSeconds(autoOff, id), seconds);
        QCOMPARE(LoggerModels::name(25633416), u"VT416C"_s);
        QCOMPARE(LoggerModels::name(5633417), u"UnKnow"_s);
    }

    void deviceInformationAndLanguage()
    {
        start();
        m_logger->setFirmwareVersion(23);
        m_logger->setCalibrationDate(2025, 2, 28);
        QCOMPARE(page()->refreshDevice(), 1);
        QCOMPARE(page()->deviceSummary(), u"4294967295"_s);
        QCOMPARE(child<QLineEdit>("FirmwareVersionEdit")->text(), u"2.3"_s);
        QCOMPARE(child<QLineEdit>("DeviceNameEdit")->text(), u"VT416C"_s);
        QCOMPARE(child<QDateEdit>("CalibrationeDateEdit")->date(), QDate(2025, 2, 28));
        QCOMPARE(child<QDateEdit>("ProductionDateEdit")->date(), QDate(2021, 6, 15));
        for (const char *name : {"DeviceNameEdit", "ProductionDateEdit", "CalibrationeDateEdit"})
            QVERIFY2(child<QWidget>(name)->isHidden(), name);

        m_logger->setModelCode(1234567);
        QCOMPARE(page()->readDeviceInfo(), 1);
        QCOMPARE(child<QLineEdit>("DeviceNameEdit")->text(), u"UnKnow"_s);

        // The language changes; what was read stays.
        child<QLineEdit>("ShutdownEdit")->setText(u"7"_s);
        MainWindow::instance()->on_btnLanguageEn_clicked();
        QCOMPARE(page()->deviceSummary(), u"4294967295"_s);
        QCOMPARE(child<QLineEdit>("FirmwareVersionEdit")->text(), u"2.3"_s);
        QCOMPARE(child<QLineEdit>("ShutdownEdit")->text(), u"7"_s);
        QCOMPARE(child<QDateEdit>("CalibrationeDateEdit")->date(), QDate(2025, 2, 28));
        QVERIFY(m_prompts.prompts().isEmpty());

        // An unconfigured production record: the message, nothing filled in.
        page()->clear();
        m_logger->corruptBlock(7, 0x00, 18);
        QCOMPARE(page()->readDeviceInfo(), -1);
        QCOMPARE(TitledPrompts::of(m_prompts),
                 QStringList{u"Warn: The instrument is not configured production information!"_s});
        QVERIFY(page()->deviceSummary().isEmpty());
        QCOMPARE(child<QDateEdit>("ProductionDateEdit")->date(), QDate(2000, 1, 1));

        // No instrument: the reads say nothing, the buttons ask for one.
        m_logger->unplug();
        QTRY_VERIFY(!MainWindow::instance()->link());
        m_prompts.clear();
        QCOMPARE(page()->readDeviceInfo(), -1);
        QTRY_VERIFY(
            child<QPushButton>("readDateTimeBtn")->isEnabled()); // after refreshDevice's clock read
        for (const char *name : {"readhostconfiguretBtn", "writehostconfiguretBtn",
                                 "readDateTimeBtn", "writeDateTimeBtn", "GetDataBtn"})
            click(name);
        QCOMPARE(m_prompts.texts(), QStringList(5, u"please Connecting instrument!"_s));
    }

    void setupRead()
    {
        start();
        auto *shutdown = child<QLineEdit>("ShutdownEdit");
        const QString white = u"background-color: rgb(255,255,255);"_s;
        const QString grey = u"background-color: rgb(200,200,200);"_s;
        // The setup box: choices, minutes, and which parts are open (white) or barred (grey).
        auto shows = [&](int autoOff, int interval, const char *minutes, bool minutesOpen,
                         const QString &minutesStyle, bool intervalOpen) {
            const auto buttons = page()->intervalGroup->buttons();
            return page()->autoOffGroup->checkedId() == autoOff &&
                   page()->intervalGroup->checkedId() == interval &&
                   shutdown->text() == QLatin1String(minutes) &&
                   shutdown->isEnabled() == minutesOpen && shutdown->styleSheet() == minutesStyle &&
                   std::all_of(buttons.begin(), buttons.end(), [&](QAbstractButton *b) {
                       return b->isEnabled() == intervalOpen &&
                              b->styleSheet() == (intervalOpen ? white : grey);
                   });
        };

        m_logger->setHostSettings(0, 4, 2, 0);
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), 1);
        // The minutes kept and white, unlike a click on OFF.
        QVERIFY(shows(0, 2, "4", false, white, true));
        m_logger->setHostSettings(1, 9, 1, 0);
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), 1);
        QVERIFY(shows(1, 1, "9", true, white, false));
        // Unknown values: the minutes shown, the choices left alone.
        m_logger->setHostSettings(5, 12, 9, 0);
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), 1);
        QVERIFY(page()->autoOffGroup->checkedId() == 1 && page()->intervalGroup->checkedId() == 1);
        QCOMPARE(shutdown->text(), u"12"_s);
        // A failed read changes nothing but the interval buttons' state.
        m_logger->setHostSettings(0, 4, 2, 0);
        m_logger->injectFault(VirtualInstrument::Fault::WrongEcho);
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), -3);
        QVERIFY(page()->intervalGroup->button(0)->isEnabled());
        QCOMPARE(shutdown->text(), u"12"_s);
        // Never configured: ON, 3 minutes, 1 s with the interval barred.
        m_logger->corruptBlock(1, 0x80, 4);
        QCOMPARE(page()->on_readhostconfiguretBtn_clicked(), -4);
        QVERIFY(shows(1, 0, "3", true, white, false));
        QVERIFY(m_prompts.prompts().isEmpty());

        // OFF puts "10" in and greys the minutes; ON opens them again.
        child<QRadioButton>("OffBtn")->click();
        QVERIFY(shows(0, 0, "10", false, grey, true));
        shutdown->setText(u"6"_s);
        child<QRadioButton>("OnBtn")->click();
        QVERIFY(shows(1, 0, "6", true, white, false));
    }

    void setupWrite()
    {
        start();
        click("GetDataBtn");
        QCOMPARE(table()->rowCount(), 3);
        auto *shutdown = child<QLineEdit>("ShutdownEdit");

        // No: table and instrument untouched.
        SetupQuestion::refuse(m_prompts, m_logger, page());
        QCOMPARE(table()->rowCount(), 3);

        child<QRadioButton>("OnBtn")->click();
        const QStringList refused{u"0"_s, u"11"_s, u"1.5"_s, u"abc"_s, QString()};
        for (const QString &text : refused) {
            click("GetDataBtn");
            QCOMPARE(table()->rowCount(), 3);
            m_prompts.clear();
            m_logger->clearRequests();
            shutdown->setText(text);
            click("writehostconfiguretBtn");
            QCOMPARE(table()->rowCount(), 0); // cleared before the check
            QCOMPARE(TitledPrompts::of(m_prompts).mid(1),
                     QStringList{u"information: Shutdown must between 1\u201410!"_s});
            QCOMPARE(m_prompts.prompts().first().kind, UserPrompts::Kind::Question);
            QVERIFY(m_logger->requests().isEmpty());
        }
        child<QRadioButton>("OnBtn")->click();
        for (int minutes : {1, 10}) {
            m_prompts.clear();
            shutdown->setText(QString::number(minutes));
            page()->intervalGroup->button(2)->setChecked(true);
            click("writehostconfiguretBtn");
            QCOMPARE(m_prompts.lastText(), u"parameter configuration success!"_s);
            QCOMPARE(m_logger->memory(1, 0x80, 4), Bytes::of({1, minutes, 2, 0}));
        }
        // OFF: the greyed "10" is what goes out.
        child<QRadioButton>("OffBtn")->click();
        page()->intervalGroup->button(1)->setChecked(true);
        click("writehostconfiguretBtn");
        QCOMPARE(m_logger->memory(1, 0x80, 4), QByteArray::fromHex("000A0100"));
        m_prompts.clear();
        m_logger->injectFault(VirtualInstrument::Fault::WrongEcho);
        click("writehostconfiguretBtn");
        QCOMPARE(m_prompts.lastText(), u"parameter configuration Error!"_s);
    }

    void clockReadAndWrite()
    {
        FirstPageFor416::setClockHoldMs(1500);
        start();
        auto *live = child<QDateTimeEdit>("dateTimeEdit");
        auto *read = child<QDateTimeEdit>("dateTimeEditForRead");
        auto *readBtn = child<QPushButton>("readDateTimeBtn");
        auto *writeBtn = child<QPushButton>("writeDateTimeBtn");
        // The live clock ticks with or without a read.
        QTRY_VERIFY(qAbs(live->dateTime().secsTo(QDateTime::currentDateTime())) <= 1);

        const QDateTime instrumentTime(QDate(2030, 7, 8), QTime(1, 2, 3));
        m_logger->setClock(instrumentTime);
        QElapsedTimer sinceRead;
        click("readDateTimeBtn");
        sinceRead.start();
        QVERIFY(qAbs(read->dateTime().secsTo(instrumentTime)) <= 1);
        QVERIFY(!read->isHidden() && live->isHidden());
        QVERIFY(!readBtn->isEnabled() && !writeBtn->isEnabled());
        // Frozen until it gives way to the live clock, which runs on meanwhile.
        const QDateTime shown = read->dateTime();
        const QDateTime liveAtRead = live->dateTime();
        QSignalSpy changed(read, &QDateTimeEdit::dateTimeChanged);
        QTRY_VERIFY(read->isHidden());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(read->dateTime(), shown);
        QVERIFY(live->dateTime() > liveAtRead);
        QVERIFY(sinceRead.elapsed() >= 1500);
        QVERIFY(!live->isHidden() && readBtn->isEnabled() && writeBtn->isEnabled());

        // A failed read goes back to the live clock at once, silently.
        m_logger->injectFault(VirtualInstrument::Fault::WrongEcho);
        click("readDateTimeBtn");
        QVERIFY(read->isHidden() && !live->isHidden() && readBtn->isEnabled());
        QVERIFY(m_prompts.prompts().isEmpty());

        // Setup writes the PC's time.
        click("writeDateTimeBtn");
        QCOMPARE(m_prompts.lastText(), u"parameter date time success!"_s);
        QVERIFY(qAbs(m_logger->clock().secsTo(QDateTime::currentDateTime())) <= 2);
        QVERIFY(qAbs(m_logger->clock().secsTo(live->dateTime())) <= 2);
        m_logger->injectFault(VirtualInstrument::Fault::NoReply);
        click("writeDateTimeBtn");
        QCOMPARE(m_prompts.lastText(), u"parameter date time error!"_s);
    }

    void clockDriftAndSync()
    {
        const QString here = QDir::currentPath();
        const auto back = qScopeGuard([&here] { QDir::setCurrent(here); });
        QVERIFY(QDir::setCurrent(QString::fromUtf8(SOLVANE_QM_DIR)));
        start();
        MainWindow::instance()->on_btnLanguageEn_clicked();
        auto *box = child<QWidget>("clockDriftBox");
        auto *line = child<QLabel>("clockDriftLab");
        QVERIFY(box->isHidden()); // the clock read after detection found it right
        // The logger's clock this far from the PC's; what the line says (none within 60 s).
        // A read loses the part of a second, so the seconds may come out one or two less.
        struct Case {
            qint64 offset;
            const char *line;
        };
        const Case cases[] = {
            {-(5 * 60 + 13), "^The logger's clock is 5 min 1[123] s behind this computer's\\.$"},
            {3 * 3600 + 5 * 60 + 30,
             "^The logger's clock is 3 h 5 min ahead of this computer's\\.$"},
            {2 * 86400 + 4 * 3600 + 1800, "^The logger's clock is 2 d 4 h ahead of"},
            {-30, nullptr},
            {55, nullptr},
        };
        for (const Case &c : cases) {
            m_logger->setClock(QDateTime::currentDateTime().addSecs(c.offset));
            page()->on_readDateTimeBtn_clicked();
            QCOMPARE(box->isHidden(), !c.line);
            if (c.line)
                QVERIFY2(
                    QRegularExpression(QString::fromUtf8(c.line)).match(line->text()).hasMatch(),
                    qPrintable(line->text()));
        }
        // The detection's own read says so too.
        m_logger->setClock(QDateTime::currentDateTime().addSecs(-300));
        QCOMPARE(page()->refreshDevice(), 1);
        QVERIFY(!box->isHidden());

        // Sync writes the PC's time, not what the live edit shows, and reads it back; no box.
        child<QDateTimeEdit>("dateTimeEdit")->setDateTime(QDateTime(QDate(2001, 2, 3), QTime()));
        m_logger->clearRequests();
        child<QPushButton>("syncClockBtn")->click();
        QVERIFY(qAbs(m_logger->clock().secsTo(QDateTime::currentDateTime())) <= 2);
        QCOMPARE(m_logger->requests().count(Bytes::withCrc(InstrumentProtocol::dateTimeRequest())),
                 1);
        QVERIFY(box->isHidden());
        QVERIFY(m_prompts.prompts().isEmpty());

        // A write without an answer leaves the line, saying so.
        m_logger->setClock(QDateTime::currentDateTime().addSecs(-300));
        page()->on_readDateTimeBtn_clicked();
        m_logger->injectFault(VirtualInstrument::Fault::NoReply);
        child<QPushButton>("syncClockBtn")->click();
        QVERIFY(!box->isHidden());
        QVERIFY2(line->text().endsWith(u"Setting it failed; try again."_s),
                 qPrintable(line->text()));
        QVERIFY(m_prompts.prompts().isEmpty());

        // The line goes with the logger.
        m_logger->unplug();
        QTRY_VERIFY(box->isHidden());
    }

    void calibrationAge()
    {
        const QString here = QDir::currentPath();
        const auto restore = qScopeGuard([&here] {
            CalibrationAge::setPeriodMonths(CalibrationAge::DefaultMonths);
            QDir::setCurrent(here);
        });
        // The catalogues, for the line in both languages.
        QVERIFY(QDir::setCurrent(QString::fromUtf8(SOLVANE_QM_DIR)));
        start();
        MainWindow::instance()->on_btnLanguageEn_clicked();
        auto *line = child<QLabel>("calibrationAgeLab");
        struct Case {
            int monthsAgo, period;
            bool shown;
        };
        for (const Case &c :
             {Case{13, 12, true}, Case{11, 12, false}, Case{13, 24, false}, Case{25, 24, true}}) {
            CalibrationAge::setPeriodMonths(c.period);
            const QDate calibrated = QDate::currentDate().addMonths(-c.monthsAgo);
            m_logger->setCalibrationDate(calibrated.year(), calibrated.month(), calibrated.day());
            QCOMPARE(page()->readDeviceInfo(), 1);
            QCOMPARE(line->isHidden(), !c.shown);
            if (c.shown)
                QVERIFY2(line->text().startsWith(u"Calibrated on "_s +
                                                 calibrated.toString(u"yyyy-MM-dd"_s)),
                         qPrintable(line->text()));
        }
        // In the other language, and gone with the logger.
        MainWindow::instance()->on_btnLanguageZh_clicked();
        QVERIFY(!line->isHidden() && !line->text().startsWith(u"Calibrated"_s));
        m_logger->unplug();
        QTRY_VERIFY(line->isHidden());
    }

    void downloadRowsAndIntervals()
    {
        const QVector<SimRecording> list = recordings(3);
        start(list);
        m_logger->clearRequests();
        QList<int> values;
        bool visibleMidway = false;
        auto *bar = page()->progress()->findChild<QProgressBar *>();
        connect(bar, &QProgressBar::valueChanged, this, [&](int v) {
            values.append(v);
            visibleMidway =
                visibleMidway || (v > 0 && v < bar->maximum() && page()->progress()->isVisible());
        });
        // Events go on during the download.
        m_wasBusy = false;
        QTimer::singleShot(0, this, [this] { m_wasBusy = page()->busy; });
        click("GetDataBtn");
        QVERIFY(!page()->busy);
        QVERIFY(m_wasBusy);
        QCOMPARE(table()->rowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            checkRow(row, list[row], 10);
            QCOMPARE(m_logger->requests().count(groupRequest(row)), 1);
        }
        QVERIFY(visibleMidway);
        QVERIFY(std::is_sorted(values.begin(), values.end()));
        QCOMPARE(values.last(), 3 * FirstPageFor416::ProgressPerGroup);
        QVERIFY(!page()->progress()->isVisible());
        QVERIFY(m_prompts.prompts().isEmpty());

        // The example group: 1, 2, 3, 4 at 10 s.
        start({{QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)), {1, 2, 3, 4}}});
        click("GetDataBtn");
        QCOMPARE(
            QStringList({cell(0, 1), cell(0, 2), cell(0, 3), cell(0, 4), cell(0, 5), cell(0, 6)}),
            QStringList({"2024-05-06 07:08:09", "40", "4.0", "4.0", "1.0", "2.5"}));

        // The interval as set now: 60 s, 1 s for other ids, 1 s with auto off on or an
        // unconfigured block; a second Get Data replaces the rows.
        start(list);
        struct Case {
            quint8 autoOff, id;
            int seconds;
        };
        for (const Case &c : {Case{0, 2, 60}, Case{0, 0, 1}, Case{0, 9, 1}, Case{1, 2, 1}}) {
            m_logger->setHostSettings(c.autoOff, 5, c.id, 0);
            click("GetDataBtn");
            QCOMPARE(table()->rowCount(), 3);
            checkRow(2, list[2], c.seconds);
        }
        m_logger->setHostSettings(0, 5, 2, 0);
        m_logger->corruptBlock(1, 0x80, 4);
        click("GetDataBtn");
        checkRow(1, list[1], 1);
        // The setup box was read too.
        QCOMPARE(child<QLineEdit>("ShutdownEdit")->text(), u"3"_s);
        QVERIFY(m_prompts.prompts().isEmpty());

        // Nothing stored: no rows, no dialog, no message.
        start({});
        click("GetDataBtn");
        QCOMPARE(table()->rowCount(), 0);
        QVERIFY(!page()->progress()->isVisible());
        QVERIFY(m_prompts.prompts().isEmpty());
    }

    void downloadSplitFramesGarbageAndShortGroups()
    {
        QVector<SimRecording> list = recordings(3, 30);
        list.append({QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)), {}});
        list.append({QDateTime(QDate(2024, 1, 2), QTime(3, 4, 6)), {7.5f}});
        const QByteArray garbage = QByteArray::fromHex("55AB00AB1342AB");
        auto checkAll = [&] {
            QCOMPARE(table()->rowCount(), list.size());
            for (int row = 0; row < list.size(); ++row) {
                ops(row)->CurveBtn->click();
                QCOMPARE(page()->GetPowerData(), groupBytes(list[row]));
                if (list[row].samples.isEmpty()) {
                    // No sample: its start, no time, and nothing made up.
                    QCOMPARE(cell(row, 1), u"2024-01-02 03:04:05"_s);
                    QCOMPARE(cell(row, 2), u"0"_s);
                    for (int c = 3; c < 7; ++c)
                        QVERIFY(cell(row, c).isEmpty());
                } else {
                    checkRow(row, list[row], 10);
                }
            }
        };
        for (int size : {7, 52, 100}) {
            start(list);
            m_logger->setFrameDataSize(size);
            // Untouched: setup read, count, group 1's first frame and interval read; then junk in
            // front of group 2's frames, and between group 3's first and second frame.
            faultsAfter(4, VirtualInstrument::Fault::GarbageBefore, 0, 1, garbage);
            faultsAfter(1, VirtualInstrument::Fault::SecondFrame, 0, 1, garbage);
            click("GetDataBtn");
            checkAll();
            QVERIFY2(m_prompts.prompts().isEmpty(), qPrintable(m_prompts.texts().join(u'|')));
        }

        // Slow reports: every frame, the short groups' end frames too, comes in a read of its own,
        // and the first read of a group may bring nothing.
        list = list.mid(3);
        list.append({QDateTime(QDate(2024, 1, 2), QTime(3, 4, 7)), {1, 2, 3, 4}});
        start(list);
        m_logger->setFrameDataSize(7);
        m_logger->setReportIntervalMicroseconds(60000);
        click("GetDataBtn");
        checkAll();
        QVERIFY(m_prompts.prompts().isEmpty());
    }

    void downloadMoreThan25()
    {
        const QVector<SimRecording> list = recordings(27, 4);
        start(list);
        m_logger->clearRequests();
        click("GetDataBtn");
        QCOMPARE(table()->rowCount(), 25);
        QCOMPARE(page()->progress()->maximum(), 25 * FirstPageFor416::ProgressPerGroup);
        QCOMPARE(m_logger->requests().count(groupRequest(24)), 1);
        QCOMPARE(m_logger->requests().count(groupRequest(25)), 0);
        checkRow(24, list[24], 10);
        QVERIFY(m_prompts.prompts().isEmpty());
    }

    void downloadEndsEarly()
    {
        constexpr int stallMs = 500;
        FirstPageFor416::setStallTimeoutMs(stallMs);
        const QVector<SimRecording> list = recordings(3, 200);
        start(list);
        // The logger falls silent in the middle of the second recording, and again when asked anew.
        const auto hook = connect(table()->model(), &QAbstractItemModel::rowsInserted, this,
                                  [this] { m_logger->setLoggerStopAfterFrames(1); });
        m_logger->clearRequests();
        QElapsedTimer timer;
        timer.start();
        click("GetDataBtn");
        QVERIFY(timer.elapsed() >= FirstPageFor416::GroupAttempts * stallMs);
        QCOMPARE(m_logger->requests().count(groupRequest(1)), FirstPageFor416::GroupAttempts);
        QCOMPARE(m_logger->requests().count(groupRequest(2)), 0);
        disconnect(hook);
        QVERIFY(!page()->busy);
        QVERIFY(!page()->progress()->isVisible());
        QCOMPARE(table()->rowCount(), 1);
        checkRow(0, list[0], 10);
        QCOMPARE(TitledPrompts::of(m_prompts),
                 QStringList{u"information: Getting data outtime,please get again."_s});

        // It answers again: everything comes, and the interval is read once for all groups
        // (besides the read that shows the setup).
        m_logger->setLoggerStopAfterFrames(-1);
        m_prompts.clear();
        m_logger->clearRequests();
        click("GetDataBtn");
        QCOMPARE(table()->rowCount(), 3);
        QVERIFY(m_prompts.prompts().isEmpty());
        const QByteArray intervalRead = Bytes::withCrc(InstrumentProtocol::hostConfigureRequest());
        QCOMPARE(m_logger->requests().count(intervalRead), 2);

        // The interval cannot be read after the first group: no row is shown.
        faultsAfter(3, VirtualInstrument::Fault::WrongEcho);
        click("GetDataBtn");
        QVERIFY(!page()->busy);
        QCOMPARE(table()->rowCount(), 0);
        QCOMPARE(TitledPrompts::of(m_prompts),
                 QStringList{u"warn: Read Storage Interval Error!"_s});
    }

    void downloadRereadsOrLeavesOutDamagedGroups()
    {
        using Fault = VirtualInstrument::Fault;
        FirstPageFor416::setStallTimeoutMs(300);
        // 246 bytes a group: 5 data frames, then the end frame (frame 5).
        const QVector<SimRecording> list = recordings(3, 60);
        start(list);
        // Faults strike the frame chosen of the replies.
        // Setup read, count, group 1's frame and its interval read, then group 2's reply, once:
        // the second request brings it whole.
        struct Case {
            int frame;
            Fault fault;
            int arg;
        };
        for (const Case &c : {Case{2, Fault::BadFrameCrc, 0}, Case{2, Fault::NoReply, 0},
                              Case{0, Fault::NoReply, 0}, Case{0, Fault::WrongEcho, 0},
                              Case{4, Fault::ShortReply, 3}, Case{5, Fault::BadFrameCrc, 0},
                              Case{5, Fault::NoReply, 0}}) {
            m_logger->setRecordingFaultFrame(c.frame);
            m_logger->clearRequests();
            faultsAfter(4, c.fault, c.arg, 1);
            click("GetDataBtn");
            QVERIFY2(m_prompts.prompts().isEmpty(), qPrintable(m_prompts.texts().join(u'|')));
            QCOMPARE(table()->rowCount(), 3);
            for (int row = 0; row < 3; ++row)
                checkRow(row, list[row], 10);
            QCOMPARE(m_logger->requests().count(groupRequest(1)), 2);
        }

        // On every attempt: the recording is left out and named once the download is over; the
        // rows left keep their recordings' numbers and act on their own groups.
        m_logger->setRecordingFaultFrame(2);
        m_logger->clearRequests();
        faultsAfter(4, Fault::BadFrameCrc, 0, FirstPageFor416::GroupAttempts);
        bool idleWhenTold = false;
        m_prompts.setAnswer([this, &idleWhenTold](const UserPrompts::Prompt &p) {
            idleWhenTold = !page()->busy && !page()->progress()->isVisible();
            return UserPrompts::Answer{p.kind != UserPrompts::Kind::SaveFile, {}};
        });
        click("GetDataBtn");
        QCOMPARE(m_prompts.texts(),
                 QStringList{u"Recording 2 could not be read without errors; it is left out."_s});
        QVERIFY(idleWhenTold);
        QCOMPARE(m_logger->requests().count(groupRequest(1)), FirstPageFor416::GroupAttempts);
        QCOMPARE(table()->rowCount(), 2);
        checkRow(0, list[0], 10);
        checkRow(1, list[2], 10, 3);
        ops(1)->CurveBtn->click();
        QCOMPARE(page()->GetPowerData(), groupBytes(list[2]));
        ops(1)->EXCELBtn->click();
        QCOMPARE(page()->reportValues.groupNo, u"3"_s);
        QCOMPARE(page()->GetPowerData(), groupBytes(list[2]));
        ops(1)->ReportBtn->click();
        QCOMPARE(page()->reportValues.startTime, cell(1, 1));

        // Two of them: one message names both.
        m_prompts.clear();
        faultsAfter(2, Fault::BadFrameCrc, 0, FirstPageFor416::GroupAttempts);
        faultsAfter(2, Fault::BadFrameCrc, 0, FirstPageFor416::GroupAttempts);
        click("GetDataBtn");
        QCOMPARE(
            m_prompts.texts(),
            QStringList{u"Recordings 1, 3 could not be read without errors; they are left out."_s});
        QCOMPARE(table()->rowCount(), 1);
        checkRow(0, list[1], 10, 2);
    }

    void downloadWhileGuiHeld()
    {
        // 600 samples in 7-byte frames at one report a millisecond: each group streams for a third
        // of a second, several times what the system keeps for a reader that does not come.
        const QVector<SimRecording> list = recordings(2, 600);
        start(list);
        m_logger->setFrameDataSize(7);
        m_logger->setReportIntervalMicroseconds(1000);
        // After 20 frames the logger pauses, the page's read returns with them, and while the
        // rest of the group streams in the GUI thread is held up.
        m_logger->setRecordingPause(20, 80);
        m_logger->clearRequests();
        m_wasBusy = false;
        auto *bar = page()->progress()->findChild<QProgressBar *>();
        const auto hold = connect(bar, &QProgressBar::valueChanged, this, [this](int value) {
            if (m_wasBusy || value == 0)
                return;
            m_wasBusy = page()->busy;
            QThread::msleep(300);
        });
        click("GetDataBtn");
        disconnect(hold);
        QVERIFY(m_wasBusy);
        QVERIFY2(m_prompts.prompts().isEmpty(), qPrintable(m_prompts.texts().join(u'|')));
        QCOMPARE(table()->rowCount(), 2);
        for (int row = 0; row < 2; ++row) {
            checkRow(row, list[row], 10);
            QCOMPARE(m_logger->requests().count(groupRequest(row)), 1);
        }
        QCOMPARE(m_logger->reportsDropped(), qint64(0));
    }

    void busyKeepsActionsOut()
    {
        start(recordings(3, 100));
        // m_during runs from inside the download, once the first row is there.
        connect(table()->model(), &QAbstractItemModel::rowsInserted, this, [this] {
            if (!m_during)
                return;
            QTimer::singleShot(0, this, [this, job = m_during] {
                m_wasBusy = page()->busy;
                job();
            });
            m_during = nullptr;
        });

        m_wasBusy = false;
        m_during = [this] {
            for (const char *name : {"ClearBtn", "readhostconfiguretBtn", "writehostconfiguretBtn",
                                     "readDateTimeBtn", "writeDateTimeBtn", "GetDataBtn"})
                click(name);
            ops(0)->EXCELBtn->click();
            ops(0)->CurveBtn->click();
            ops(0)->ReportBtn->click();
            page()->on_UVPowerCurveBtn_clicked();
        };
        click("GetDataBtn");
        QVERIFY(m_wasBusy);
        QCOMPARE(table()->rowCount(), 3); // the download went on
        QCOMPARE(m_prompts.texts(), QStringList(10, u"Getting data,please wait..."_s));
        QVERIFY(page()->findChildren<ReportPageFor416 *>().isEmpty());
        QVERIFY(page()->findChildren<UVPowerCurvePageFor416 *>().isEmpty());
        QVERIFY(page()->GetPowerData().isEmpty());

        // The main window clears the page during a download: no message; it is done afterwards.
        m_prompts.clear();
        m_wasBusy = false;
        m_during = [this] { page()->clear(); };
        click("GetDataBtn");
        QVERIFY(m_wasBusy);
        QVERIFY(!page()->busy);
        QCOMPARE(table()->rowCount(), 0);
        QVERIFY(page()->deviceSummary().isEmpty());
        QVERIFY(m_prompts.prompts().isEmpty());

        // A logger detected during a download is read once the download is over.
        m_during = [this] {
            m_logger->setSerialNumber(77);
            page()->refreshDevice();
        };
        click("GetDataBtn");
        QCOMPARE(table()->rowCount(), 3);
        QCOMPARE(page()->deviceSummary(), u"77"_s);
        QVERIFY(m_prompts.prompts().isEmpty());
    }

    // Every download is kept once, also when the library was busy the time before; a
    // report's texts stay with the entry; the library window reopens it without the logger.
    void keptInLibrary()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"library.sqlite"_s);
        RecordingLibrary library;
        QVERIFY(library.open(file));
        const QVector<SimRecording> list = recordings(3, 20);
        start(list);
        RecordingLibrary *programs = page()->library();
        page()->setLibrary(&library);
        click("GetDataBtn");
        click("GetDataBtn");
        QCOMPARE(library.count({}), 3);
        Recording kept;
        QVERIFY(library.get(library.list({}, 2, 1).value(0).id, kept)); // the oldest: group 1
        QCOMPARE(kept.groupData(), groupBytes(list[0]));
        QCOMPARE(kept.shown, QStringList({cell(0, 0), cell(0, 1), cell(0, 2), cell(0, 3),
                                          cell(0, 4), cell(0, 5), cell(0, 6)}));
        QCOMPARE(std::make_pair(kept.intervalSeconds, kept.serial),
                 std::make_pair(10, u"4294967295"_s));
        QVERIFY(page()->libraryNote().isEmpty());

        // Another program holds the file: the rows come all the same and the line says why.
        // (A new library: in the first, the same recordings are stored already.)
        library.close();
        const QString second = dir.filePath(u"second.sqlite"_s);
        QVERIFY(library.open(second));
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
            other.setDatabaseName(second);
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec(u"BEGIN EXCLUSIVE"_s));
            click("GetDataBtn");
            QCOMPARE(table()->rowCount(), 3);
            QVERIFY2(page()->libraryNote().contains(u"busy"_s), qPrintable(page()->libraryNote()));
            QVERIFY(m_prompts.prompts().isEmpty());
            QVERIFY(hold.exec(u"ROLLBACK"_s));
            other.close();
        }
        QSqlDatabase::removeDatabase(u"other"_s);
        click("GetDataBtn");
        QCOMPARE(library.count({}), 3);
        QVERIFY(page()->libraryNote().isEmpty());

        // The report's texts are kept and come back with the next report of the row.
        ops(0)->ReportBtn->click();
        auto *report = page()->findChildren<ReportPageFor416 *>().last();
        QTest::mouseClick(report->findChild<QPushButton *>(u"Informationbtn"_s), Qt::LeftButton);
        auto *info = report->findChild<InformationPageFor416 *>();
        QTest::keyClicks(info->findChild<QLineEdit *>(u"TestLightEdit"_s), u"Lamp <7>"_s);
        QTest::mouseClick(info->findChild<QPushButton *>(u"Okbtn"_s), Qt::LeftButton);
        const qint64 first = library.list({}, 2, 1).value(0).id;
        QVERIFY(library.get(first, kept));
        QCOMPARE(kept.testLight, u"Lamp <7>"_s);
        ops(0)->ReportBtn->click();
        report = page()->findChildren<ReportPageFor416 *>().last();
        QCOMPARE(report->testLight, u"Lamp &lt;7&gt;"_s);
        QVERIFY(report->buildReportHtml().contains(u"SHA-256 "_s + kept.sha256.left(12)));

        // The library window, with the logger gone: curve and report of the entry, then delete.
        m_logger->unplug();
        QTRY_VERIFY(!MainWindow::instance()->link());
        LibraryWindow window(&library, false);
        QCOMPARE(window.model()->rowCount(), 3);
        auto *view = window.findChild<QTableView *>(u"entriesView"_s);
        view->selectRow(2);
        window.findChild<QPushButton *>(u"CurveBtn"_s)->click();
        QCOMPARE(window.findChildren<UVPowerCurvePageFor416 *>().size(), 1);
        // The entry as the library keeps it: its interval and dose reach the curve and report.
        const Recording &drawn = window.findChild<UVPowerCurvePageFor416 *>()->recording();
        QCOMPARE(drawn.intervalSeconds, 10);
        QVERIFY(drawn.doseUjCm2 > 0);
        window.findChild<QPushButton *>(u"ReportBtn"_s)->click();
        const auto reports = window.findChildren<ReportPageFor416 *>();
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports.first()->testLight, u"Lamp &lt;7&gt;"_s);
        QCOMPARE(reports.first()->recording.doseUjCm2, drawn.doseUjCm2);
        QVERIFY(reports.first()->buildReportHtml().contains(u">Dose</td>"_s));
        m_prompts.setAnswer([](const UserPrompts::Prompt &) {
            return UserPrompts::Answer{false, {}};
        });
        window.findChild<QPushButton *>(u"DeleteBtn"_s)->click();
        QCOMPARE(library.count({}), 3);
        m_prompts.setAnswer([](const UserPrompts::Prompt &) {
            return UserPrompts::Answer{true, {}, u"superseded"_s};
        });
        view->selectRow(2);
        window.findChild<QPushButton *>(u"DeleteBtn"_s)->click();
        m_prompts.setAnswer({});
        QCOMPARE(library.count({}), 2);
        QCOMPARE(window.model()->rowCount(), 2);
        QVERIFY(library.get(first, kept) && kept.removed); // kept, and out of the lists
        page()->setLibrary(programs);
    }

    void rowActions()
    {
        const QVector<SimRecording> list = recordings(3, 20);
        start(list);
        click("GetDataBtn");
        for (int row : {2, 0, 1}) {
            ops(row)->CurveBtn->click();
            QCOMPARE(page()->GetPowerData(), groupBytes(list[row]));
            // The curve draws the row's recording at the interval of its download.
            const Recording &drawn =
                page()->findChildren<UVPowerCurvePageFor416 *>().last()->recording();
            QCOMPARE(drawn.groupData(), groupBytes(list[row]));
            QCOMPARE(drawn.intervalSeconds, 10);
        }
        QCOMPARE(page()->findChildren<UVPowerCurvePageFor416 *>().size(), 3);

        ops(2)->EXCELBtn->click(); // the save dialog cancelled
        QCOMPARE(page()->GetPowerData(), groupBytes(list[2]));
        QCOMPARE(page()->reportValues.startTime, list[2].start.toString(u"yyyyMMddhhmmss"_s));
        QCOMPARE(page()->reportValues.groupNo, u"3"_s);

        // Report after Excel: the dashed start again, and no old picture left for it.
        const QString picture = QCoreApplication::applicationDirPath() + u"/PcustomPlot.png"_s;
        {
            QFile stale(picture);
            QVERIFY(stale.open(QIODevice::WriteOnly));
            stale.write("stale");
        }
        page()->isChinese = true;
        ops(2)->ReportBtn->click();
        QCOMPARE(page()->findChildren<ReportPageFor416 *>().size(), 1);
        const Recording &reported = page()->findChild<ReportPageFor416 *>()->recording;
        QCOMPARE(reported.groupData(), groupBytes(list[2]));
        QCOMPARE(reported.intervalSeconds, 10);
        QCOMPARE(reported.doseUjCm2, Dose::of(reported.samples, 10).microjoulesPerCm2);
        const LoggerReportValues &v = page()->reportValues;
        QCOMPARE(QStringList({v.startTime, v.duration, v.powerREC, v.powerMAX, v.powerMIN,
                              v.powerAVG, v.serialNo, v.deviceName}),
                 QStringList({cell(2, 1), cell(2, 2) + u"S"_s, cell(2, 3), cell(2, 4), cell(2, 5),
                              cell(2, 6), u"4294967295"_s, u"VT416C"_s}));
        QVERIFY(v.isChinese);
        QFile drawn(picture);
        QVERIFY(!drawn.open(QIODevice::ReadOnly) || drawn.readAll() != "stale");

        // Clear empties the table but keeps the chosen group.
        click("ClearBtn");
        QCOMPARE(table()->rowCount(), 0);
        QCOMPARE(page()->GetPowerData(), groupBytes(list[2]));

        // Nothing chosen yet.
        start();
        m_prompts.clear();
        page()->on_UVPowerCurveBtn_clicked();
        QCOMPARE(m_prompts.texts(), QStringList{u"please get data first!"_s});
        QVERIFY(page()->findChildren<UVPowerCurvePageFor416 *>().isEmpty());
    }

    void unplugDuringDownload()
    {
        const QVector<SimRecording> list = recordings(3, 200);
        start(list);
        // Any report of the download may be the last one.
        const qint64 before = m_logger->reportsDelivered();
        click("GetDataBtn");
        QCOMPARE(table()->rowCount(), 3);
        const int reports = static_cast<int>(m_logger->reportsDelivered() - before);
        QList<int> points{1, 3, 20, reports};
        for (int i = 0; i < 2; ++i)
            points.append(QRandomGenerator::global()->bounded(1, reports + 1));
        for (int reports : points) {
            qInfo("unplugged after %d reports", reports);
            m_logger->unplugAfterReports(reports);
            click("GetDataBtn"); // returns
            QVERIFY(!page()->busy);
            QTRY_VERIFY(!MainWindow::instance()->link());
            QVERIFY(!page()->progress()->isVisible());
            QCOMPARE(table()->rowCount(), 0);
            QVERIFY(page()->deviceSummary().isEmpty());
            m_logger->plug();
            QTRY_VERIFY(MainWindow::instance()->link());
            QCOMPARE(page()->deviceSummary(), u"4294967295"_s);
        }
        m_prompts.clear();
        click("GetDataBtn");
        QCOMPARE(table()->rowCount(), 3);
        checkRow(2, list[2], 10);
        QVERIFY(m_prompts.prompts().isEmpty());
    }

    void grabsWithRows()
    {
        QVERIFY(QDir::setCurrent(QString::fromUtf8(SOLVANE_QM_DIR)));
        start();
        MainWindow *window = MainWindow::instance();
        window->on_btnLanguageZh_clicked();
        QVERIFY(page()->isChinese);
        click("GetDataBtn");
        QCOMPARE(table()->rowCount(), 3);
        QCOMPARE(ops(0)->CurveBtn->text(), u"曲线"_s);
        QVERIFY(WindowGrab::save(window, u"logger_zh.png"_s));
        window->on_btnLanguageEn_clicked();
        QVERIFY(!page()->isChinese);
        QCOMPARE(ops(0)->CurveBtn->text(), u"Curve"_s);
        QCOMPARE(table()->horizontalHeaderItem(3)->text(), u"Power(REC) (uW/c㎡)"_s);
        QCOMPARE(page()->deviceSummary(), u"4294967295"_s);
        QVERIFY(WindowGrab::save(window, u"logger_en.png"_s));
    }

private:
    void start(const QVector<SimRecording> &list = recordings(3))
    {
        m_logger = m_plugged.create(VirtualInstrument::Family::Logger, 5633416);
        m_logger->setSerialNumber(4294967295u);
        m_logger->setRecordings(list);
        m_logger->setHostSettings(0, 5, 1, 0); // auto off off, 10 s
        QCOMPARE(m_plugged.start(m_logger)->family(), 416);
        QTRY_VERIFY(child<QPushButton>("readDateTimeBtn")->isEnabled());
        m_prompts.clear();
    }

    template <typename T> T *child(const char *name) const
    {
        return page()->findChild<T *>(QString::fromLatin1(name));
    }
    FirstPageFor416 *page() const { return MainWindow::instance()->loggerPage(); }
    QTableWidget *table() const { return child<QTableWidget>("tbData"); }
    TableOpWidget *ops(int row) const
    {
        return qobject_cast<TableOpWidget *>(table()->cellWidget(row, 7));
    }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem *item = table()->item(row, column);
        return item ? item->text() : u"<none>"_s;
    }
    void click(const char *name) { child<QPushButton>(name)->click(); }
    // `number`: the recording's number, when rows are missing before it.
    void checkRow(int row, const SimRecording &r, int interval, int number = 0)
    {
        QCOMPARE(cell(row, 0), QString::number(number > 0 ? number : row + 1));
        QCOMPARE(cell(row, 1), r.start.toString(u"yyyy-MM-dd hh:mm:ss"_s));
        QCOMPARE(cell(row, 2), QString::number(r.samples.size() * interval));
        const QVector<float> &s = r.samples;
        QCOMPARE(cell(row, 3), one(s.last()));
        QCOMPARE(cell(row, 4), one(*std::max_element(s.begin(), s.end())));
        QCOMPARE(cell(row, 5), one(*std::min_element(s.begin(), s.end())));
        const double mean = std::accumulate(s.begin(), s.end(), 0.0) / s.size();
        QVERIFY(QRegularExpression(u"^-?\\d+\\.\\d$"_s).match(cell(row, 6)).hasMatch());
        QVERIFY2(qAbs(cell(row, 6).toDouble() - mean) <= 0.05 + 1e-6, qPrintable(cell(row, 6)));
        QCOMPARE(ops(row)->row, row);
    }

    // `times` replies with the fault after `untouched` ones (a split at 0 changes nothing).
    void faultsAfter(int untouched, VirtualInstrument::Fault fault, int arg = 0, int times = 1,
                     const QByteArray &data = {})
    {
        for (int i = 0; i < untouched; ++i)
            m_logger->injectFault(VirtualInstrument::Fault::SplitReply, 0);
        for (int i = 0; i < times; ++i)
            m_logger->injectFault(fault, arg, data);
    }

    PromptRecorder m_prompts;
    PluggedInstrument m_plugged;
    VirtualInstrument *m_logger = nullptr;
    std::function<void()> m_during;
    bool m_wasBusy = false;
};

QTEST_MAIN(tst_Logger)
#include "tst_logger.moc"
