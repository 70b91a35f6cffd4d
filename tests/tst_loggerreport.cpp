// The logger's power curve window and its report: sample decoding, the time axis, axis
// fitting, the readout, saved images, the report's HTML in both layouts with its dose and
// check lines, its curve picture, the information dialog, printing and saved PDFs.
#include "catalogue.h"
#include "contexttranslator.h"
#include "expectedreport.h"
#include "exportfolder.h"
#include "firstpagefor416.h"
#include "informationpagefor416.h"
#include "loggerdownload.h"
#include "pdfprinting.h"
#include "plotsvg.h"
#include "processwindowstore.h"
#include "recordinglibrary.h"
#include "reportpagefor416.h"
#include "userprompts.h"
#include "uvpowercurvepagefor416.h"
#include "windowgrab.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kFixedTime(QDate(2026, 3, 5), QTime(9, 7, 3));

QByteArray groupOf(const QVector<float> &samples)
{
    QByteArray group("\x1a\x03\x05\x09\x07\x03", 6);
    for (float sample : samples) {
        char bytes[4];
        qToLittleEndian(sample, bytes);
        group.append(bytes, 4);
    }
    return group;
}

// The group as the download makes its entry: statistics, dose and table texts.
Recording recordingOf(const QByteArray &group, int interval = 10)
{
    LoggerDownload::Group g;
    g.index = 2;
    g.data = group;
    g.intervalSeconds = interval;
    Recording identity;
    identity.serial = u"5633416"_s;
    identity.calibrationDate = QDate::currentDate();
    return LoggerDownload::entry(g, identity);
}

void fillPage(FirstPageFor416 &page, const QByteArray &group, bool chinese = false,
              int interval = 10)
{
    LoggerReportValues &v = page.reportValues;
    v.deviceName = u"UV-416"_s;
    v.serialNo = u"5633416"_s;
    v.startTime = u"2026-03-05 09:07:03"_s;
    v.duration = u"40S"_s;
    v.powerREC = u"4.0"_s;
    v.powerMAX = u"4.0"_s;
    v.powerMIN = u"1.0"_s;
    v.powerAVG = u"2.5"_s;
    v.isChinese = chinese;
    page.selectedGroup = group;
    page.selectedRecording = recordingOf(group, interval);
}

// Answers file dialogs with `*answer` (cancels when empty) and keeps what they proposed.
UserPrompts::Handler saveAs(const QString *answer, QStringList *proposed, QStringList *said)
{
    return [=](const UserPrompts::Prompt &prompt) {
        UserPrompts::Answer reply;
        if (prompt.kind == UserPrompts::Kind::SaveFile) {
            proposed->append(prompt.directory);
            reply.fileName = *answer;
            reply.accepted = !answer->isEmpty();
        } else {
            said->append(prompt.text);
        }
        return reply;
    };
}

QByteArray head(const QString &path, int size)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(size) : QByteArray();
}

bool showsNoNumberText(const QString &text)
{
    static const QRegularExpression odd(u"\\b(nan|inf)\\b"_s,
                                        QRegularExpression::CaseInsensitiveOption);
    return !text.contains(odd);
}

// A report of the filled page.
ReportPageFor416 *newReport(FirstPageFor416 &page, const QByteArray &group, bool chinese = false)
{
    fillPage(page, group, chinese);
    return new ReportPageFor416(&page);
}

QCustomPlot *plotOf(QWidget *window, const char *name)
{
    return window->findChild<QCustomPlot *>(QLatin1String(name));
}

// Both axes' ranges, x first.
QList<QCPRange> ranges(QCustomPlot *plot)
{
    return {plot->xAxis->range(), plot->yAxis->range()};
}

QTextBrowser *browserOf(ReportPageFor416 *report)
{
    return report->findChild<QTextBrowser *>(u"textBrowser"_s);
}

void click(QWidget *window, const char *name)
{
    QTest::mouseClick(window->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
}

// The image this report's document shows and prints.
QImage shownImage(ReportPageFor416 *report)
{
    return browserOf(report)
        ->document()
        ->resource(QTextDocument::ImageResource, QUrl(ReportPageFor416::imagePath()))
        .value<QImage>();
}

// Mean absolute difference of the grey levels, 0 to 255.
double meanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y < ga.height(); ++y)
        for (int x = 0; x < ga.width(); ++x)
            sum += std::abs(int(ga.constScanLine(y)[x]) - int(gb.constScanLine(y)[x]));
    return sum / (ga.width() * ga.height());
}

// The expected report as written under tests/data, with this run's picture path.
QString expectedHtml(bool chinese)
{
    return ExpectedReport::load(QStringLiteral(SOLVANE_TEST_DATA "/loggerreport.html"), chinese)
        .replace(QLatin1String("@IMAGE@"), ReportPageFor416::imagePath());
}

} // namespace

class tst_LoggerReport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        UserPrompts::setHandler({});
        QFile::remove(ReportPageFor416::imagePath());
        ProcessWindowStore::setChosenName(QString());
    }

    void sampleDecoding()
    {
        // Little-endian: 00 00 80 3F is 1.0.
        const QByteArray one = QByteArray(6, '\0') + QByteArray("\x00\x00\x80\x3f", 4);
        QCOMPARE(UVPowerCurvePageFor416::samplesOf(one), QVector<double>{1.0});

        const QVector<float> samples = {1.5f, -2.0f, 3.25e7f, 0.0f};
        const QByteArray group = groupOf(samples);
        for (int size = 0; size <= group.size() + 3; ++size) {
            const QByteArray bytes = size <= group.size()
                                         ? group.left(size)
                                         : group + QByteArray(size - group.size(), '\x7f');
            const QVector<double> decoded = UVPowerCurvePageFor416::samplesOf(bytes);
            const int whole = size < 6 ? 0 : qMin<int>((size - 6) / 4, samples.size());
            QCOMPARE(decoded.size(), whole);
            for (int i = 0; i < whole; ++i)
                QCOMPARE(decoded[i], double(samples[i]));
        }

        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        const QVector<double> odd = UVPowerCurvePageFor416::samplesOf(groupOf({nan, inf, -inf}));
        QCOMPARE(odd.size(), 3);
        QVERIFY(std::isnan(odd[0]));
        QVERIFY(std::isinf(odd[1]) && odd[1] > 0);
        QVERIFY(std::isinf(odd[2]) && odd[2] < 0);
    }

    void curveFitsTheData()
    {
        FirstPageFor416 page;
        fillPage(page, groupOf({1.5f, -2.0f, 7.0f, 3.0f, 6.0f}));
        auto *curve = new UVPowerCurvePageFor416(&page);
        QCOMPARE(curve->windowTitle(), u"UV Power Curve"_s);
        QCustomPlot *plot = plotOf(curve, "customPlot");
        QVERIFY(plot);
        QCOMPARE(plot->graphCount(), 1);
        QCOMPARE(plot->graph(0)->dataCount(), 5);
        QCOMPARE(plot->graph(0)->data()->at(4)->key, 40.0);
        QCOMPARE(plot->graph(0)->data()->at(2)->value, 7.0);
        QCOMPARE(ranges(plot), QList<QCPRange>({{0, 40}, {-2, 7}}));
        // As numbers: the Windows DLL does not export QCP's meta-object, which QCOMPARE's
        // printing of the flags would need.
        QCOMPARE(int(plot->interactions()),
                 int(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables));

        // Auto Set restores both axes after the user moved them.
        plot->xAxis->setRange(100, 200);
        plot->yAxis->setRange(-50, 0.5);
        click(curve, "autosetBtn");
        QCOMPARE(ranges(plot), QList<QCPRange>({{0, 40}, {-2, 7}}));

        // The window keeps its group until it is told to start over.
        fillPage(page, groupOf({10, 20}));
        QCOMPARE(plot->graph(0)->dataCount(), 5);
        curve->on_btnClearCurve_clicked();
        QCOMPARE(plot->graphCount(), 1);
        QCOMPARE(plot->graph(0)->dataCount(), 2);
        QCOMPARE(plot->yAxis->range(), QCPRange(10, 20));
    }

    void curveUnusualGroups()
    {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        FirstPageFor416 page;

        // Nothing to fit: the initial ranges stay.
        for (const QByteArray &group : {QByteArray(), QByteArray(9, '\x01'), groupOf({nan, inf})}) {
            fillPage(page, group);
            auto *curve = new UVPowerCurvePageFor416(&page);
            QCustomPlot *plot = plotOf(curve, "customPlot");
            QCOMPARE(ranges(plot), QList<QCPRange>({{1, 61440}, {0, 600}}));
            click(curve, "autosetBtn");
            QCOMPARE(plot->yAxis->range(), QCPRange(0, 600));
        }

        // Non-finite samples are gaps; the axes fit the finite ones.
        fillPage(page, groupOf({2.0f, inf, nan, -inf, 5.0f, 3.0f}));
        auto *gaps = new UVPowerCurvePageFor416(&page);
        QCOMPARE(plotOf(gaps, "customPlot")->graph(0)->dataCount(), 6);
        QCOMPARE(ranges(plotOf(gaps, "customPlot")), QList<QCPRange>({{0, 50}, {2, 5}}));

        // One sample: a usable range around it.
        fillPage(page, groupOf({42.0f}));
        QCustomPlot *single = plotOf(new UVPowerCurvePageFor416(&page), "customPlot");
        QVERIFY(single->yAxis->range().contains(42.0));
        QVERIFY(single->yAxis->range().size() > 0 && std::isfinite(single->yAxis->range().size()));

        // Another parent has no group to give.
        QWidget other;
        QCOMPARE(plotOf(new UVPowerCurvePageFor416(&other), "customPlot")->graph(0)->dataCount(),
                 0);
    }

    void htmlLayouts()
    {
        for (bool chinese : {false, true}) {
            FirstPageFor416 page;
            auto *report = newReport(page, groupOf({1, 2, 3, 4}), chinese);
            QCOMPARE(report->isChinese, chinese);
            const QString expected = expectedHtml(chinese);
            QVERIFY(expected.contains(QCoreApplication::applicationDirPath() + "/PcustomPlot.png"));
            QCOMPARE(report->buildReportHtml(chinese, kFixedTime), expected);
            // The shown report is the same text at the moment it was built.
            const qsizetype end = expected.indexOf(QLatin1String("</title>"));
            QCOMPARE(report->buildReportHtml().mid(end), expected.mid(end));
            QCOMPARE(browserOf(report)->toPlainText().contains(QLatin1String("Test Report1")),
                     chinese);
        }

        // Built from empty values under another parent.
        QWidget other;
        auto *orphan = new ReportPageFor416(&other);
        QCOMPARE(orphan->deviceName, u" Solvane"_s);
        QVERIFY(!orphan->isChinese);
    }

    void translationContexts()
    {
        FirstPageFor416 page;
        auto *report = newReport(page, groupOf({1}));
        ContextTranslator translator;
        QCoreApplication::installTranslator(&translator);
        const QStringList layouts = {report->buildReportHtml(false, kFixedTime),
                                     report->buildReportHtml(true, kFixedTime)};
        QCoreApplication::removeTranslator(&translator);
        for (const QString &html : layouts) {
            for (const char *caption :
                 {"Test Report", "Device: ", "SN:", "StartTime:", "Duration:", "Test Light:",
                  "Company:", "Test Data", "Item", "Value", "Unit", "Power(REC)", "Power(MAX)",
                  "Power(MIN)", "Power(AVG)", "Dose", " Tester:", " Auditor:"}) {
                QVERIFY2(html.contains(u">QObject|"_s + QLatin1String(caption) + QLatin1Char('<')),
                         caption);
            }
            QVERIFY(!html.contains(QLatin1String("ReportPageFor416|")));
            QCOMPARE(html.count(QLatin1String(">uW/cm<sup>2</sup></tr>")), 4);
            QVERIFY(html.contains(QLatin1String("<title>Report_20260305090703</title>")));
        }
        QVERIFY(layouts[1].contains(QLatin1String(">QObject|Test Report1<")));
    }

    void imageFile()
    {
        const QString path = ReportPageFor416::imagePath();
        QCOMPARE(QFileInfo(path).absolutePath(), QCoreApplication::applicationDirPath());
        FirstPageFor416 page;
        auto *report = newReport(page, groupOf({1, 5, 2, 8, 3}));
        QVERIFY(!plotOf(report, "PcustomPlot")->isVisible());
        QImage image(path);
        QCOMPARE(image.size(), QSize(500, 200));
        QCOMPARE(qRound(image.dotsPerMeterX() * 0.0254), 96);
        QCOMPARE(qRound(image.dotsPerMeterY() * 0.0254), 96);
        // Drawn in black against seconds, both axes labelled.
        QCustomPlot *picture = plotOf(report, "PcustomPlot");
        QCOMPARE(picture->graph(0)->pen().color(), QColor(Qt::black));
        QCOMPARE(picture->graph(0)->data()->at(4)->key, 40.0);
        QCOMPARE(picture->xAxis->label(), u"Time (s)"_s);
        QCOMPARE(picture->yAxis->label(), u"Irradiance (uW/cm²)"_s);
        QVERIFY(picture->xAxis->tickLabels() && picture->yAxis->tickLabels());

        report->show();
        QVERIFY(report->close());
        QVERIFY(!QFile::exists(path));
        auto *next = new ReportPageFor416(&page);
        QVERIFY(QFile::exists(path));
        next->show();
        next->close();

        // A group with nothing to draw still gives the picture: axes only.
        fillPage(page, QByteArray(7, '\xff'));
        new ReportPageFor416(&page);
        QCOMPARE(QImage(path).size(), QSize(500, 200));
    }

    void reportsKeepTheirOwnPicture()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = ReportPageFor416::imagePath();
        FirstPageFor416 page;
        auto *first = newReport(page, groupOf({1, 2, 3, 4, 5, 6}));
        const QImage firstPicture(path);
        fillPage(page, groupOf({9, 1, 9, 1}));
        auto *second = new ReportPageFor416(&page);
        // The second report overwrote the shared file with its own curve ...
        const QImage secondPicture(path);
        QVERIFY(secondPicture != firstPicture);
        QCOMPARE(shownImage(second).convertToFormat(QImage::Format_RGB32),
                 QImage(path).convertToFormat(QImage::Format_RGB32));
        // ... and closing it deletes the file; the first report still shows its own.
        second->show();
        second->close();
        QVERIFY(!QFile::exists(path));
        QCOMPARE(shownImage(first).convertToFormat(QImage::Format_RGB32),
                 firstPicture.convertToFormat(QImage::Format_RGB32));

        // Printing the first report still carries its picture.
        const QString pdf = dir.filePath(u"first.pdf"_s);
        PdfPrinting::print(first, pdf);
        QVERIFY(PdfPrinting::hasPage(pdf));
        if (PdfPrinting::haveTool("pdfimages")) {
            const QString prefix = dir.filePath(u"img"_s);
            PdfPrinting::toolOutput("pdfimages", {u"-png"_s, pdf, prefix});
            const QImage printed(prefix + u"-000.png"_s);
            QCOMPARE(printed.size(), QSize(500, 200));
            // The PDF stores it lossily: near the first curve, far from the second.
            const double toFirst = meanDifference(printed, firstPicture);
            QVERIFY2(toFirst < 3.0, qPrintable(QString::number(toFirst)));
            QVERIFY(toFirst * 3 < meanDifference(printed, secondPicture));
        }

        // The information dialog's OK writes the file again.
        auto *info = new InformationPageFor416(first);
        click(info, "Okbtn");
        QVERIFY(QFile::exists(path));
    }

    void informationDialog()
    {
        FirstPageFor416 page;
        auto *report = newReport(page, groupOf({1, 2}));
        click(report, "Informationbtn");
        auto *info = report->findChild<InformationPageFor416 *>();
        QVERIFY(info && info->isVisible());
        auto edit = [&](const char *name) {
            return info->findChild<QLineEdit *>(QLatin1String(name));
        };
        QStringList fixed;
        for (const char *name : {"DeviceEdit", "serialNoEdit", "StartTimeEdit", "DurationEdit"})
            fixed << (edit(name)->isReadOnly() ? edit(name)->text() : u"writable"_s);
        QCOMPARE(fixed, QStringList({"UV-416 Solvane", "5633416", "2026-03-05 09:07:03", "40S"}));

        // Cancel changes nothing.
        QTest::keyClicks(edit("TesterEdit"), u"typed"_s);
        click(info, "Cancelbtn");
        QVERIFY(!info->isVisible());
        QCOMPARE(report->tester, u"&nbsp;"_s);

        // OK takes all four fields as text, never as markup.
        click(report, "Informationbtn");
        info = report->findChildren<InformationPageFor416 *>().last();
        QVERIFY(edit("TesterEdit")->text().isEmpty());
        QTest::keyClicks(edit("TestLightEdit"), u"<b>LED</b> & \"365\""_s);
        QTest::keyClicks(edit("CompanyEdit"), u"R&D &nbsp;"_s);
        QTest::keyClicks(edit("TesterEdit"), u"</td></table><h1>x</h1>"_s);
        click(info, "Okbtn");
        QVERIFY(!info->isVisible());
        QCOMPARE(report->testLight, u"&lt;b&gt;LED&lt;/b&gt; &amp; &quot;365&quot;"_s);
        QCOMPARE(report->company, u"R&amp;D &amp;nbsp;"_s);
        QCOMPARE(report->auditor, QString());
        const QString html = report->buildReportHtml(false, kFixedTime);
        QVERIFY(!html.contains(QLatin1String("<h1>")));
        QVERIFY(html.contains(QLatin1String("<td width=\"25%\" align=\"center\"><hr/></td>")));
        const QString shown = browserOf(report)->toPlainText();
        QVERIFY(shown.contains(QLatin1String("<b>LED</b> & \"365\"")));
        QVERIFY(shown.contains(QLatin1String("</td></table><h1>x</h1>")));
    }

    void printing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FirstPageFor416 page;
        auto *report = newReport(page, groupOf({1, 2, 3}));

        // A cancelled dialog prints nothing.
        int asked = 0;
        const QString pdf = dir.filePath(u"report.pdf"_s);
        UserPrompts::setHandler(PdfPrinting::into(pdf, false, &asked));
        click(report, "PrintReportbtn");
        QCOMPARE(asked, 1);
        QVERIFY(QDir(dir.path()).isEmpty());

        UserPrompts::setHandler(PdfPrinting::into(pdf, true, &asked));
        click(report, "PrintReportbtn");
        QCOMPARE(asked, 2);
        QVERIFY(PdfPrinting::hasPage(pdf));
        if (PdfPrinting::haveTool("pdftotext")) {
            const QString text = PdfPrinting::toolOutput("pdftotext", {pdf, u"-"_s});
            QVERIFY2(text.contains(QLatin1String("5633416")), qPrintable(text));
            QVERIFY(text.contains(QLatin1String("Power(REC)")));
        }
    }

    void curveTimeAxis_data()
    {
        QTest::addColumn<QVector<float>>("samples");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QVector<double>>("keys");
        QTest::addColumn<QString>("xLabel");
        QTest::addColumn<QString>("dose");
        QTest::addColumn<double>("readoutKey");
        QTest::addColumn<QString>("readout");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        QTest::newRow("10 s") << QVector<float>{1, 2, 3, 4} << 10 << QVector<double>{0, 10, 20, 30}
                              << u"Time (s)"_s << u"Dose: 100.0 uJ/cm²"_s << 13.0
                              << u"Time: 10 s\nIrradiance: 2.0 uW/cm²"_s;
        QTest::newRow("60 s") << QVector<float>{500, 500} << 60 << QVector<double>{0, 60}
                              << u"Time (s)"_s << u"Dose: 60.00 mJ/cm²"_s << 29.0
                              << u"Time: 0 s\nIrradiance: 500.0 uW/cm²"_s;
        QTest::newRow("gaps") << QVector<float>{2, nan, inf, 4} << 1 << QVector<double>{0, 1, 2, 3}
                              << u"Time (s)"_s << u"Dose: 6.0 uJ/cm² (flagged)"_s << 1.2
                              << u"Time: 1 s\nIrradiance: no value"_s;
        QTest::newRow("interval 0")
            << QVector<float>{5, 6} << 0 << QVector<double>{0, 1} << u"Sample"_s
            << u"Dose: 0.0 uJ/cm² (flagged)"_s << 7.0 << u"Sample: 2\nIrradiance: 6.0 uW/cm²"_s;
        QTest::newRow("one sample")
            << QVector<float>{42} << 10 << QVector<double>{0} << u"Time (s)"_s
            << u"Dose: 420.0 uJ/cm²"_s << -5.0 << u"Time: 0 s\nIrradiance: 42.0 uW/cm²"_s;
        QTest::newRow("none") << QVector<float>{} << 10 << QVector<double>{} << u"Time (s)"_s
                              << u"Dose: 0.0 uJ/cm² (flagged)"_s << 0.0 << QString();
    }

    void curveTimeAxis()
    {
        QFETCH(QVector<float>, samples);
        QFETCH(int, interval);
        QFETCH(QVector<double>, keys);
        QFETCH(QString, xLabel);
        QFETCH(QString, dose);
        QFETCH(double, readoutKey);
        QFETCH(QString, readout);

        QWidget library;
        auto *curve = new UVPowerCurvePageFor416(recordingOf(groupOf(samples), interval), &library);
        curve->show();
        QVERIFY(QTest::qWaitForWindowExposed(curve));
        QCustomPlot *plot = plotOf(curve, "customPlot");
        auto graphKeys = [plot] {
            QVector<double> shown;
            for (int i = 0; i < plot->graph(0)->dataCount(); ++i)
                shown << plot->graph(0)->data()->at(i)->key;
            return shown;
        };
        auto label = [curve](const char *name) {
            return curve->findChild<QLabel *>(QLatin1String(name))->text();
        };
        QCOMPARE(graphKeys(), keys);
        QCOMPARE(plot->xAxis->label(), xLabel);
        QCOMPARE(plot->yAxis->label(), u"Irradiance (uW/cm²)"_s);
        QCOMPARE(label("doseLab"), dose);
        QVERIFY(curve->findChild<QLabel *>(u"verdictLab"_s)->isHidden());
        QCOMPARE(curve->showReadoutAt(readoutKey), readout);
        QCOMPARE(label("readoutLab"), readout);
        for (const QLabel *shown : curve->findChildren<QLabel *>())
            QVERIFY2(showsNoNumberText(shown->text()), qPrintable(shown->text()));

        // The mouse over the last sample reads it.
        if (!keys.isEmpty()) {
            const QString last = curve->showReadoutAt(keys.last());
            QCOMPARE(curve->showReadoutAt(std::numeric_limits<double>::quiet_NaN()), QString());
            plot->replot();
            const QPoint over(qRound(plot->xAxis->coordToPixel(keys.last())), plot->height() / 2);
            // A move to where the pointer already is would be no move.
            QTest::mouseMove(plot, over + QPoint(0, 7));
            QTest::mouseMove(plot, over);
            QTRY_COMPARE(label("readoutLab"), last);
        }

        // The clock: the instrument's start time on the first sample and the first tick.
        auto *clock = curve->findChild<QCheckBox *>(u"clockTimeBox"_s);
        QCOMPARE(clock->isEnabled(), interval > 0);
        clock->setChecked(true);
        if (interval == 0) {
            QCOMPARE(curve->timeAxis(), UVPowerCurvePageFor416::TimeAxis::Seconds);
            QCOMPARE(graphKeys(), keys);
            return;
        }
        QCOMPARE(curve->timeAxis(), UVPowerCurvePageFor416::TimeAxis::Clock);
        QCOMPARE(plot->xAxis->label(), u"Time"_s);
        const double start = QCPAxisTickerDateTime::dateTimeToKey(
            QDateTime(QDate(2026, 3, 5), QTime(9, 7, 3), Qt::UTC));
        QVector<double> clockKeys;
        for (double key : keys)
            clockKeys << start + key;
        QCOMPARE(graphKeys(), clockKeys);
        if (keys.size() > 1) {
            plot->replot();
            QCOMPARE(plot->xAxis->tickVector().first(), start);
            QCOMPARE(plot->xAxis->tickVectorLabels().first(), u"09:07:03"_s);
            const QString second = QDateTime(QDate(2026, 3, 5), QTime(9, 7, 3))
                                       .addSecs(qint64(keys[1]))
                                       .toString(u"yyyy-MM-dd hh:mm:ss"_s);
            QVERIFY(curve->showReadoutAt(start + keys[1]).startsWith(u"Time: "_s + second));
        }
        clock->setChecked(false);
        QCOMPARE(graphKeys(), keys);
    }

    void curveSaveImage()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QWidget library;
        auto *curve = new UVPowerCurvePageFor416(recordingOf(groupOf({1, 5, 2, 8})), &library);
        curve->show();
        QVERIFY(QTest::qWaitForWindowExposed(curve));
        QString answer;
        QStringList proposed, said;
        UserPrompts::setHandler(saveAs(&answer, &proposed, &said));
        const QString before = ExportFolder::last();

        const bool svg = PlotSvg::available();
        const struct {
            const char *typed, *saved;
            QByteArray magic;
        } cases[] = {{"a.png", "a.png", "\x89PNG"},
                     // Builds without SVG support take it as a name without suffix.
                     {"b.SVG", svg ? "b.SVG" : "b.SVG.png", svg ? "<?xml" : "\x89PNG"},
                     {"c.pdf", "c.pdf", "%PDF"},
                     {"plain", "plain.png", "\x89PNG"},
                     {"run.v2", "run.v2.png", "\x89PNG"}};
        for (const auto &c : cases) {
            answer = dir.filePath(QLatin1String(c.typed));
            click(curve, "saveImageBtn");
            const QString saved = dir.filePath(QLatin1String(c.saved));
            QVERIFY2(QFileInfo(saved).size() > 500, c.saved);
            QCOMPARE(head(saved, c.magic.size()), c.magic);
        }
        QFile svgFile(dir.filePath(u"b.SVG"_s));
        QVERIFY(!svg || (svgFile.open(QIODevice::ReadOnly) && svgFile.readAll().contains("<svg")));
        QVERIFY(said.isEmpty());
        QCOMPARE(proposed.first(), QDir(before).filePath(u"curve_NO3_20260305090703.png"_s));
        QCOMPARE(ExportFolder::last(), dir.path());
        QCOMPARE(proposed.last(), dir.filePath(u"curve_NO3_20260305090703.png"_s));

        // Cancelled: nothing; a folder that is not there: said so.
        answer.clear();
        click(curve, "saveImageBtn");
        answer = dir.filePath(u"missing/d.png"_s);
        click(curve, "saveImageBtn");
        QCOMPARE(said, QStringList{u"The image could not be saved as %1."_s.arg(
                           QDir::toNativeSeparators(answer))});
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 5);
    }

    void reportChecks_data()
    {
        QTest::addColumn<QVector<float>>("samples");
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("window"); // "": none chosen; else "minPeak maxPeak minDose"
        QTest::addColumn<QDate>("calibrated");
        QTest::addColumn<QString>("doseValue");
        QTest::addColumn<QString>("doseUnit");
        QTest::addColumn<QStringList>("lines");
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        const QDate today = QDate::currentDate();
        const QString uj = u"uJ/cm<sup>2</sup>"_s;
        QTest::newRow("plain") << QVector<float>{1, 2, 3, 4} << 10 << QString() << today
                               << u"100.0"_s << uj << QStringList();
        QTest::newRow("passes") << QVector<float>{1, 2, 3, 4} << 10 << u"0 10 50"_s << today
                                << u"100.0"_s << uj
                                << QStringList{u"Process window LED cure: pass"_s};
        QTest::newRow("fails")
            << QVector<float>{1, 2, 3, 4} << 10 << u"0 3 200"_s << today << u"100.0"_s << uj
            << QStringList{
                   u"Process window LED cure: fail: peak above the maximum, dose below the minimum"_s};
        QTest::newRow("overdue")
            << QVector<float>{600, 600} << 60 << QString() << QDate(2024, 1, 10) << u"72.00"_s
            << u"mJ/cm<sup>2</sup>"_s
            << QStringList{u"Calibrated on 2024-01-10, more than 12 months ago: the readings may "
                           "have drifted. Have the instrument calibrated."_s};
        QTest::newRow("J") << QVector<float>{5e5f, 5e5f} << 10 << QString() << today << u"10.000"_s
                           << u"J/cm<sup>2</sup>"_s << QStringList();
        QTest::newRow("not numbers")
            << QVector<float>{nan, 2, inf} << 10 << u"0 10 1"_s << today << u"20.0 (flagged)"_s
            << uj << QStringList{u"Process window LED cure: fail: dose not defined"_s};
        QTest::newRow("interval 0") << QVector<float>{5, 6} << 0 << QString() << today
                                    << u"0.0 (flagged)"_s << uj << QStringList();
        QTest::newRow("no samples") << QVector<float>{} << 10 << QString() << today
                                    << u"0.0 (flagged)"_s << uj << QStringList();
    }

    void reportChecks()
    {
        QFETCH(QVector<float>, samples);
        QFETCH(int, interval);
        QFETCH(QString, window);
        QFETCH(QDate, calibrated);
        QFETCH(QString, doseValue);
        QFETCH(QString, doseUnit);
        QFETCH(QStringList, lines);
        if (!window.isEmpty()) {
            const QStringList bounds = window.split(QLatin1Char(' '));
            ProcessWindow w;
            w.name = u"LED cure"_s;
            w.minPeak = bounds[0].toDouble();
            w.maxPeak = bounds[1].toDouble();
            w.minDose = bounds[2].toDouble();
            QString error;
            QVERIFY2(ProcessWindowStore::save({w}, error), qPrintable(error));
            ProcessWindowStore::setChosenName(w.name);
        }

        // As the library window opens it: the entry's own texts, "nan" among them.
        Recording entry = recordingOf(groupOf(samples), interval);
        entry.calibrationDate = calibrated;
        LoggerReportValues values;
        values.startTime = entry.shown.value(1);
        values.powerREC = entry.shown.value(3);
        values.powerMAX = entry.shown.value(4);
        values.powerMIN = entry.shown.value(5);
        values.powerAVG = entry.shown.value(6);
        QWidget library;
        auto *report = new ReportPageFor416(values, entry, &library);
        QCOMPARE(report->checkLines(), lines);
        const QString doseRow = u"<tr><td width=\"15%\" align=\"center\">Dose</td><td "
                                "width=\"15%\" align=\"center\">"_s +
                                doseValue + u"</td><td width=\"15%\" align=\"center\">"_s +
                                doseUnit + u"</tr>"_s;
        const QString picture = u"height=\"200\"></p></td></tr></table>"_s;
        QString paragraphs;
        for (const QString &line : lines)
            paragraphs += u"<p>"_s + line + u"</p>"_s;
        for (bool chinese : {false, true}) {
            const QString html = report->buildReportHtml(chinese, kFixedTime);
            QVERIFY2(html.contains(u"Power(AVG)"_s +
                                   html.section(u"Power(AVG)"_s, 1, 1).section(u"</tr>"_s, 0, 0) +
                                   u"</tr>"_s + doseRow),
                     qPrintable(html));
            QVERIFY(html.contains(picture + paragraphs + u"<br /><br /><br />"_s));
            QVERIFY2(showsNoNumberText(html), qPrintable(html));
        }
        const QString shown = browserOf(report)->toPlainText();
        for (const QString &line : lines)
            QVERIFY(shown.contains(line));
        QVERIFY(showsNoNumberText(shown));
        QCOMPARE(plotOf(report, "PcustomPlot")->graph(0)->dataCount(), samples.size());
    }

    void savePdf()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FirstPageFor416 page;
        auto *report = newReport(page, groupOf({1, 2, 3, 4}));
        QString answer = dir.filePath(u"report"_s);
        QStringList proposed, said;
        UserPrompts::setHandler(saveAs(&answer, &proposed, &said));
        click(report, "SavePdfbtn");
        const QString pdf = dir.filePath(u"report.pdf"_s);
        QVERIFY(PdfPrinting::hasPage(pdf));
        QVERIFY(said.isEmpty());
        QCOMPARE(proposed.size(), 1);
        QVERIFY(proposed.first().endsWith(u".pdf"_s));
        QCOMPARE(ExportFolder::last(), dir.path());
        QVERIFY(PdfPrinting::haveTool("pdftotext"));
        const QString text = PdfPrinting::toolOutput("pdftotext", {pdf, u"-"_s});
        QVERIFY2(text.contains(QLatin1String("Dose")) && text.contains(QLatin1String("100.0")),
                 qPrintable(text));
        QVERIFY(text.contains(QLatin1String("5633416")));

        answer = dir.filePath(u"missing/report.pdf"_s);
        click(report, "SavePdfbtn");
        QCOMPARE(said, QStringList{u"The report could not be saved as %1."_s.arg(
                           QDir::toNativeSeparators(answer))});
    }

    // A signature binds the recording and the report texts: the block shows it in the
    // report and its PDF, and a later change of the texts shows it void, with why.
    void signatures()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        RecordingLibrary library;
        QVERIFY(library.open(dir.filePath(u"library.sqlite"_s)));
        const Recording entry = recordingOf(groupOf({1, 2, 3, 4}));
        const RecordingLibrary::StoreResult stored = library.store({entry});
        QVERIFY(stored.ok);
        LoggerReportValues values;
        values.libraryEntry = stored.ids[0];
        values.library = &library;
        values.sha256 = entry.sha256;
        QWidget parent;
        auto *report = new ReportPageFor416(values, entry, &parent);
        QVERIFY(report->findChild<QPushButton *>(u"Signbtn"_s)->isEnabled());
        UserPrompts::setHandler([](const UserPrompts::Prompt &prompt) {
            UserPrompts::Answer answer;
            answer.accepted = prompt.kind == UserPrompts::Kind::Signature;
            answer.choice = 1;
            answer.text = u"  Q. A. Lead "_s;
            return answer;
        });
        click(report, "Signbtn");
        const QString signedBy = u"Approved by Q. A. Lead"_s;
        QString html = report->buildReportHtml(false, kFixedTime);
        QVERIFY2(html.contains(signedBy) && !html.contains(u"VOID"_s), qPrintable(html));
        QVERIFY(report->buildReportHtml(true, kFixedTime).contains(signedBy));
        const auto pdfText = [&](const QString &name) {
            const QString pdf = dir.filePath(name);
            return report->savePdf(pdf) ? PdfPrinting::toolOutput("pdftotext", {pdf, u"-"_s})
                                        : QString();
        };
        QVERIFY(pdfText(u"signed.pdf"_s).contains(signedBy));

        report->setFreeTexts({u"Lamp B"_s, {}, {}, {}});
        html = report->buildReportHtml(false, kFixedTime);
        QVERIFY2(html.contains(u"VOID: the report texts changed after it was signed"_s),
                 qPrintable(html));
        const QString voided = pdfText(u"voided.pdf"_s).simplified();
        QVERIFY2(voided.contains(u"VOID: the report texts changed after it was signed"_s),
                 qPrintable(voided));

        // The trail holds the signature, the change and both files, each file's hash its own.
        QStringList actions;
        for (const AuditEntry &e : library.trail({}))
            actions << e.action;
        QCOMPARE(actions,
                 (QStringList{u"library.created"_s, u"recording.stored"_s, u"signature.given"_s,
                              u"file.written"_s, u"recording.texts"_s, u"file.written"_s}));
        QFile pdf(dir.filePath(u"voided.pdf"_s));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QCOMPARE(library.trail({}).last().detailsObject()[u"file_sha256"_s].toString(),
                 Recording::hashOf(pdf.readAll()));
        QVERIFY(library.verify().ok());
        UserPrompts::setHandler({});

        // A report of no library entry cannot be signed.
        auto *loose = new ReportPageFor416(LoggerReportValues{}, entry, &parent);
        QVERIFY(!loose->findChild<QPushButton *>(u"Signbtn"_s)->isEnabled());
    }

    void grabs()
    {
        QVector<float> samples;
        for (int i = 0; i < 600; ++i)
            samples.append(float(300 + 200 * std::sin(i / 40.0) + (i % 7) * 3));
        FirstPageFor416 page;
        fillPage(page, groupOf(samples));

        QVERIFY(WindowGrab::save(new UVPowerCurvePageFor416(&page), u"loggercurve.png"_s));
        auto *clock = new UVPowerCurvePageFor416(&page);
        clock->setTimeAxis(UVPowerCurvePageFor416::TimeAxis::Clock);
        QVERIFY(WindowGrab::save(clock, u"loggercurve_clock.png"_s));
        QVERIFY((WindowGrab::saveReports<ReportPageFor416>(page, u"loggerreport"_s)));
    }
};

QTEST_MAIN(tst_LoggerReport)
#include "tst_loggerreport.moc"
