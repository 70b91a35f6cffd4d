// The meter report: its HTML in both layouts, the check lines under its data, the snapshot it
// takes of the meter page, the information dialog, printing and saved PDFs; and the row
// operations widget of the result tables.
#include "catalogue.h"
#include "contexttranslator.h"
#include "expectedreport.h"
#include "exportfolder.h"
#include "firstpagefor415.h"
#include "informationpagefor415.h"
#include "pdfprinting.h"
#include "processwindowstore.h"
#include "reportpagefor415.h"
#include "tableopwidget.h"
#include "userprompts.h"
#include "windowgrab.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kFixedTime(QDate(2026, 3, 5), QTime(9, 7, 3));

void fillPage(FirstPageFor415 &page, bool chinese = false)
{
    MeterReportValues &v = page.reportValues;
    v.deviceName = u"UV-415"_s;
    v.serialNo = u"5633415"_s;
    v.energy = u"12.500"_s;
    v.duration = u"25"_s;
    v.powerRT = u"0.512"_s;
    v.powerMAX = u"0.600"_s;
    v.powerMIN = u"0.400"_s;
    v.powerAVG = u"0.500"_s;
    v.powerUnitHtml = u"mW/cm<sup>2</sup>"_s;
    v.energyUnitHtml = u"mJ/cm<sup>2</sup>"_s;
    v.isChinese = chinese;
    Recording &r = v.recording;
    r.family = Recording::Family::Meter;
    r.energy = 12.5;
    r.duration = 25;
    r.powerRt = 0.512;
    r.powerMax = 0.6;
    r.powerMin = 0.4;
    r.powerAvg = 0.5;
    r.unit = u"mW/cm²"_s;
    r.calibrationDate = QDate::currentDate();
}

void chooseWindow(double maxPeakUw, double minDoseUj)
{
    ProcessWindow window;
    window.name = u"LED cure"_s;
    window.maxPeak = maxPeakUw;
    window.minDose = minDoseUj;
    QString error;
    QVERIFY2(ProcessWindowStore::save({window}, error), qPrintable(error));
    ProcessWindowStore::setChosenName(window.name);
}

// A report of the filled page.
ReportPageFor415 *newReport(FirstPageFor415 &page, bool chinese = false)
{
    fillPage(page, chinese);
    return new ReportPageFor415(&page);
}

QTextBrowser *browserOf(ReportPageFor415 *report)
{
    return report->findChild<QTextBrowser *>(u"textBrowser"_s);
}

QString titleOf(ReportPageFor415 *report)
{
    return browserOf(report)->document()->metaInformation(QTextDocument::DocumentTitle);
}

QLineEdit *edit(QWidget *dialog, const char *name)
{
    return dialog->findChild<QLineEdit *>(QLatin1String(name));
}

void click(QWidget *dialog, const char *name)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
}

// Types into the four editable fields in order; `empty`: each must be empty and writable first.
void type(QWidget *dialog, const QStringList &texts, bool empty = false)
{
    const char *names[] = {"TestLightEdit", "CompanyEdit", "TesterEdit", "AuditorEdit"};
    for (int i = 0; i < 4; ++i) {
        if (empty) {
            QVERIFY2(!edit(dialog, names[i])->isReadOnly(), names[i]);
            QVERIFY2(edit(dialog, names[i])->text().isEmpty(), names[i]);
        }
        QTest::keyClicks(edit(dialog, names[i]), texts.value(i));
    }
}

InformationPageFor415 *openInformation(ReportPageFor415 *report)
{
    click(report, "Informationbtn");
    const auto dialogs =
        report->findChildren<InformationPageFor415 *>(QString(), Qt::FindDirectChildrenOnly);
    return dialogs.isEmpty() ? nullptr : dialogs.last();
}

QString dataRow(const QString &item, const QString &value, const QString &unit)
{
    return u"<tr><td width=\"15%\" align=\"center\">"_s + item +
           u"</td><td width=\"30%\" align=\"center\">"_s + value +
           u"</td><td width=\"30%\" align=\"center\">"_s + unit + u"</td></tr>"_s;
}

} // namespace

class tst_MeterReport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        UserPrompts::setHandler({});
        ProcessWindowStore::setChosenName(QString());
    }

    void tableOpWidgetSignals()
    {
        QWidget table;
        auto *ops = new TableOpWidget(&table);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        QCOMPARE(ops->row, -1);
        // Left to right: EXCEL, Curve, Report.
        QVERIFY(ops->EXCELBtn->x() < ops->CurveBtn->x());
        QVERIFY(ops->CurveBtn->x() < ops->ReportBtn->x());

        QSignalSpy excel(ops, &TableOpWidget::sigEXCEL);
        QSignalSpy curve(ops, &TableOpWidget::sigCurve);
        QSignalSpy report(ops, &TableOpWidget::sigReport);
        const struct {
            QPushButton *button;
            const char *name;
            QSignalSpy *spy;
        } buttons[] = {{ops->ReportBtn, "ReportBtn", &report},
                       {ops->CurveBtn, "CurveBtn", &curve},
                       {ops->EXCELBtn, "EXCELBtn", &excel}};
        // Each button raises its own signal only, with the row it was given.
        for (int row : {-1, 7}) {
            ops->row = row;
            for (const auto &b : buttons) {
                QCOMPARE(b.button->objectName(), QLatin1String(b.name));
                QTest::mouseClick(b.button, Qt::LeftButton);
                QCOMPARE(excel.count() + curve.count() + report.count(), 1);
                QCOMPARE(b.spy->count(), 1);
                QCOMPARE(b.spy->takeFirst().at(0).toInt(), row);
            }
        }
    }

    void tableOpWidgetRetranslate()
    {
        QWidget table;
        auto *ops = new TableOpWidget(&table);
        auto texts = [](TableOpWidget *w) {
            return QStringList{w->EXCELBtn->text(), w->CurveBtn->text(), w->ReportBtn->text()};
        };
        QCOMPARE(texts(ops), QStringList({"EXCEL", "Curve", "Report"}));
        // As the meter page shows it.
        ops->EXCELBtn->hide();
        ops->CurveBtn->hide();

        ContextTranslator translator;
        QCoreApplication::installTranslator(&translator);
        ops->retranslateButtons();
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(texts(ops), QStringList({"TableOpWidget|EXCEL", "TableOpWidget|Curve",
                                          "TableOpWidget|Report"}));
        ops->retranslateButtons();
        QCOMPARE(texts(ops), QStringList({"EXCEL", "Curve", "Report"}));

        // A widget made while a translation is installed starts translated.
        QCoreApplication::installTranslator(&translator);
        TableOpWidget fresh;
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(texts(&fresh), QStringList({"TableOpWidget|EXCEL", "TableOpWidget|Curve",
                                             "TableOpWidget|Report"}));
    }

    void layout_data()
    {
        QTest::addColumn<bool>("chinese");
        QTest::newRow("en") << false;
        QTest::newRow("zh") << true;
    }

    void layout()
    {
        // The layout follows the page's flag; no translator is needed to see it.
        QFETCH(bool, chinese);
        FirstPageFor415 page;
        auto *report = newReport(page, chinese);
        QCOMPARE(report->isChinese, chinese);
        const QString expected =
            ExpectedReport::load(QStringLiteral(SOLVANE_TEST_DATA "/meterreport.html"), chinese);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(report->buildReportHtml(chinese, kFixedTime), expected);
        // The shown report is the same text at the moment it was built.
        const qsizetype end = expected.indexOf(QLatin1String("</title>"));
        QCOMPARE(report->buildReportHtml().mid(end), expected.mid(end));
        QCOMPARE(browserOf(report)->toPlainText().contains(QLatin1String("Test Report1")), chinese);
    }

    void translationContexts()
    {
        FirstPageFor415 page;
        auto *report = newReport(page);
        ContextTranslator translator;
        QCoreApplication::installTranslator(&translator);
        const QString english = report->buildReportHtml(false, kFixedTime);
        const QString chinese = report->buildReportHtml(true, kFixedTime);
        QCoreApplication::removeTranslator(&translator);

        for (const char *caption :
             {"Test Report", "SN:", "Test Light:", "Company:", "Test Data", "Item", "Value", "Unit",
              "Energy", "S", "Power(RT)", "Power(MAX)", "Power(MIN)", "Power(AVG)",
              " Tester:", " Auditor:"}) {
            const QString looked = u"QObject|"_s + QLatin1String(caption) + u'<';
            QVERIFY2(english.contains(looked), caption);
            QVERIFY2(chinese.contains(looked), caption);
        }
        // Device and Duration come from the report's own context in the Chinese layout only.
        for (const char *looked : {">QObject|Device: <", ">QObject|Duration<"})
            QVERIFY2(english.contains(QLatin1String(looked)), looked);
        QVERIFY(!english.contains(QLatin1String("ReportPageFor415|")));
        for (const char *looked : {">QObject|Test Report1<", ">ReportPageFor415|Device: <",
                                   ">ReportPageFor415|Duration<"})
            QVERIFY2(chinese.contains(QLatin1String(looked)), looked);
        // The document title is never translated.
        for (const QString &html : {english, chinese})
            QVERIFY(html.contains(QLatin1String("<title>Report_20260305090703</title>")));
    }

    void unitCells()
    {
        const QList<QPair<QString, QString>> units = {
            {"uW/cm<sup>2</sup>", "uJ/cm<sup>2</sup>"},
            {"mW/cm<sup>2</sup>", "mJ/cm<sup>2</sup>"},
            {"W/cm<sup>2</sup>", "J/cm<sup>2</sup>"},
            {"W/m<sup>2</sup>", "J/m<sup>2</sup>"},
            {QString(), QString()}, // a unit code the program does not know
        };
        for (const auto &[power, energy] : units) {
            FirstPageFor415 page;
            fillPage(page);
            page.reportValues.powerUnitHtml = power;
            page.reportValues.energyUnitHtml = energy;
            auto *report = new ReportPageFor415(&page);
            const QString html = report->buildReportHtml(false, kFixedTime);
            // Seconds for the duration, whatever the other units are.
            const QString rows[][3] = {
                {"Energy", "12.500", energy},   {"Power(RT)", "0.512", power},
                {"Power(MAX)", "0.600", power}, {"Power(MIN)", "0.400", power},
                {"Power(AVG)", "0.500", power}, {"Duration", "25", "S"}};
            for (const auto &row : rows)
                QVERIFY2(html.contains(dataRow(row[0], row[1], row[2])),
                         qPrintable(row[0] + power));
        }
    }

    void windowAndTimestamp()
    {
        FirstPageFor415 page;
        fillPage(page);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        auto *report = new ReportPageFor415(&page);
        const QDateTime after = QDateTime::currentDateTime();

        QCOMPARE(report->windowTitle(), u"Report"_s);
        QVERIFY(!report->isModal());
        const int available = QGuiApplication::primaryScreen()->availableGeometry().height();
        QCOMPARE(report->size(), QSize(700, available - 40));

        // The browser shows the built report, stamped when it was built.
        const QString title = titleOf(report);
        QVERIFY2(title.startsWith(QLatin1String("Report_")), qPrintable(title));
        const QDateTime stamp = QDateTime::fromString(title.mid(7), u"yyyyMMddhhmmss"_s);
        QVERIFY2(stamp.isValid(), qPrintable(title));
        QVERIFY(stamp >= before && stamp <= after);
        QVERIFY(
            browserOf(report)->toPlainText().contains(QRegularExpression(u"UV-415\\s+Solvane"_s)));

        // Closing hides the window; the page keeps it.
        QPointer<ReportPageFor415> kept(report);
        report->show();
        QVERIFY(QTest::qWaitForWindowExposed(report));
        report->close();
        QCoreApplication::processEvents();
        QVERIFY(kept);
        QVERIFY(!report->isVisible());
        QCOMPARE(report->parentWidget(), &page);

        // A report without the meter page still opens, with empty values.
        ReportPageFor415 orphan;
        QCOMPARE(orphan.serialNo, QString());
        QCOMPARE(orphan.energy, QString());
        QCOMPARE(orphan.powerUnitHtml, QString());
        QCOMPARE(orphan.deviceName, u"  Solvane"_s);
        QWidget other;
        ReportPageFor415 foreign(&other);
        QCOMPARE(foreign.powerAVG, QString());
    }

    void snapshotOfThePage()
    {
        FirstPageFor415 page;
        auto *first = newReport(page, true);
        const QString before = first->buildReportHtml(true, kFixedTime);

        // What changes on the page afterwards does not reach the open report.
        page.reportValues.energy = u"99.999"_s;
        page.reportValues.powerRT = u"7.777"_s;
        page.reportValues.powerUnitHtml = u"W/m<sup>2</sup>"_s;
        page.reportValues.deviceName = u"other"_s;
        page.reportValues.isChinese = false;
        first->refreshReport();
        QVERIFY(first->isChinese);
        QCOMPARE(first->buildReportHtml(true, kFixedTime), before);
        const QString shown = browserOf(first)->toPlainText();
        QVERIFY(shown.contains(QLatin1String("Test Report1")));
        QVERIFY(shown.contains(QLatin1String("12.500")));
        QVERIFY(!shown.contains(QLatin1String("99.999")));

        // A second report takes the page as it is now, with texts of its own.
        auto *second = new ReportPageFor415(&page);
        QVERIFY(!second->isChinese);
        QCOMPARE(second->energy, u"99.999"_s);
        QCOMPARE(second->deviceName, u"other  Solvane"_s);
        InformationPageFor415 *info = openInformation(first);
        QVERIFY(info);
        QTest::keyClicks(edit(info, "TesterEdit"), u"Alice"_s);
        click(info, "Okbtn");
        QCOMPARE(first->tester, u"Alice"_s);
        QCOMPARE(second->tester, u"&nbsp;"_s);
        QVERIFY(!browserOf(second)->toPlainText().contains(QLatin1String("Alice")));
        QVERIFY(browserOf(first)->toPlainText().contains(QLatin1String("Alice")));
    }

    void informationDialog()
    {
        FirstPageFor415 page;
        auto *report = newReport(page);
        auto fields = [report] {
            return QStringList{report->testLight, report->company, report->tester, report->auditor};
        };
        QCOMPARE(fields(), QStringList(4, u"&nbsp;"_s));

        InformationPageFor415 *info = openInformation(report);
        QVERIFY(info);
        QVERIFY(info->isVisible());
        QVERIFY(!info->isModal());
        QCOMPARE(edit(info, "DeviceEdit")->text(), u"UV-415  Solvane"_s);
        QCOMPARE(edit(info, "serialNoEdit")->text(), u"5633415"_s);
        QVERIFY(edit(info, "DeviceEdit")->isReadOnly());
        QVERIFY(edit(info, "serialNoEdit")->isReadOnly());
        const QStringList typed = {"UV LED 365", "Acme", "Bob", "Carol"};
        type(info, typed, true);
        QPointer<InformationPageFor415> closed(info);
        click(info, "Okbtn");
        QVERIFY(closed);
        QVERIFY(!info->isVisible());
        QCOMPARE(fields(), typed);
        const QString html = report->buildReportHtml(false, kFixedTime);
        QVERIFY(html.contains(QLatin1String("<td width=\"60%\">UV LED 365<hr/></td>")));
        QVERIFY(html.contains(QLatin1String("<td width=\"26%\" align=\"center\">Bob<hr/></td>")));
        QVERIFY(browserOf(report)->toPlainText().contains(QLatin1String("Carol")));

        // Another dialog opens empty, and OK without typing leaves only the underlines.
        InformationPageFor415 *again = openInformation(report);
        QVERIFY(again && again != info);
        type(again, QStringList(4), true);
        click(again, "Okbtn");
        QCOMPARE(fields(), QStringList(4));
        const QString emptied = report->buildReportHtml(false, kFixedTime);
        QCOMPARE(emptied.count(QLatin1String("<td width=\"60%\"><hr/></td>")), 2);
        QVERIFY(emptied.contains(QLatin1String("<td width=\"26%\" align=\"center\"><hr/></td>")));
        QVERIFY(emptied.contains(QLatin1String("<td width=\"25%\" align=\"center\"><hr/></td>")));
        QVERIFY(!emptied.contains(QLatin1String("&nbsp;")));
        QCOMPARE(report->findChildren<InformationPageFor415 *>().size(), 2);
    }

    void enteredTextIsEscaped()
    {
        FirstPageFor415 page;
        auto *report = newReport(page);
        InformationPageFor415 *info = openInformation(report);
        QVERIFY(info);
        const QStringList typed = {"<b>bold</b> & \"Lamp\"", "<img src=\"x.png\">", "R&D &nbsp;",
                                   "</td></tr></table><h1>big</h1>"};
        type(info, typed);
        QCOMPARE(edit(info, "AuditorEdit")->text(), typed[3]);
        click(info, "Okbtn");

        const QString html = report->buildReportHtml(false, kFixedTime);
        QVERIFY(html.contains(QLatin1String(
            "<td width=\"60%\">&lt;b&gt;bold&lt;/b&gt; &amp; &quot;Lamp&quot;<hr/></td>")));
        QVERIFY(html.contains(QLatin1String("R&amp;D &amp;nbsp;<hr/>")));
        QVERIFY(!html.contains(QLatin1String("<h1>")));
        QVERIFY(!html.contains(QLatin1String("<img")));

        // Shown as typed, not as markup.
        const QString shown = browserOf(report)->toPlainText();
        for (const QString &text : typed)
            QVERIFY2(shown.contains(text), qPrintable(text));
        QVERIFY(!browserOf(report)->toHtml().contains(QLatin1String("<img")));
    }

    void informationCancel()
    {
        FirstPageFor415 page;
        auto *report = newReport(page);
        const QString before = report->buildReportHtml(false, kFixedTime);
        InformationPageFor415 *info = openInformation(report);
        QVERIFY(info);
        QTest::keyClicks(edit(info, "TestLightEdit"), u"typed"_s);
        QTest::keyClicks(edit(info, "AuditorEdit"), u"typed"_s);
        click(info, "Cancelbtn");
        QVERIFY(!info->isVisible());
        QCOMPARE(report->testLight, u"&nbsp;"_s);
        QCOMPARE(report->auditor, u"&nbsp;"_s);
        QCOMPARE(report->buildReportHtml(false, kFixedTime), before);
        QVERIFY(!browserOf(report)->toPlainText().contains(QLatin1String("typed")));
    }

    void printing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FirstPageFor415 page;
        auto *report = newReport(page);

        auto checkPdf = [](const QString &path) {
            QVERIFY2(PdfPrinting::hasPage(path), qPrintable(path));
            if (!PdfPrinting::haveTool("pdftotext"))
                return;
            const QString text = PdfPrinting::toolOutput("pdftotext", {path, u"-"_s});
            QVERIFY2(text.contains(QLatin1String("5633415")), qPrintable(text));
            QVERIFY(text.contains(QLatin1String("Power(AVG)")));
        };

        const QString direct = dir.filePath(u"direct.pdf"_s);
        PdfPrinting::print(report, direct);
        checkPdf(direct);
        if (PdfPrinting::haveTool("pdfinfo")) {
            const QRegularExpressionMatch pages =
                QRegularExpression(u"Pages:\\s+(\\d+)"_s)
                    .match(PdfPrinting::toolOutput("pdfinfo", {direct}));
            QVERIFY(pages.hasMatch());
            QVERIFY(pages.captured(1).toInt() >= 1);
        }

        // Through the Print button: the dialog's choices (here a PDF file) apply.
        const QString viaButton = dir.filePath(u"button.pdf"_s);
        int asked = 0;
        int resolution = 0;
        UserPrompts::setHandler([&](const UserPrompts::Prompt &prompt) {
            if (prompt.printer)
                resolution = prompt.printer->resolution();
            return PdfPrinting::into(viaButton, true, &asked)(prompt);
        });
        click(report, "PrintReportbtn");
        QCOMPARE(asked, 1);
        checkPdf(viaButton);
        // Screen resolution, not the printer's high resolution.
        QCOMPARE(resolution, QPrinter(QPrinter::ScreenResolution).resolution());
        QVERIFY(resolution < QPrinter(QPrinter::HighResolution).resolution());
    }

    void printCancelled()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FirstPageFor415 page;
        auto *report = newReport(page);
        const QString path = dir.filePath(u"cancelled.pdf"_s);
        int asked = 0;
        UserPrompts::setHandler(PdfPrinting::into(path, false, &asked));
        click(report, "PrintReportbtn");
        QCOMPARE(asked, 1);
        QVERIFY(!QFile::exists(path));
        QVERIFY(QDir(dir.path()).isEmpty());

        // Without a printer there is nothing to ask.
        QVERIFY(!UserPrompts::print(report, nullptr));
        QCOMPARE(asked, 1);
    }

    void checkLines_data()
    {
        QTest::addColumn<double>("energy");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QDate>("calibrated");
        QTest::addColumn<double>("maxPeak"); // uW/cm²; 0: no window chosen
        QTest::addColumn<QStringList>("lines");
        const QDate today = QDate::currentDate();
        const QString mw = u"mW/cm²"_s;
        const QString energyNote =
            u"The energy differs from AVG × duration (12.5) by 60.0 %: check the unit and the run."_s;
        const QString calibration = u"Calibrated on 2024-01-10, more than 12 months ago: the "
                                    "readings may have drifted. Have the instrument calibrated."_s;
        QTest::newRow("none") << 12.5 << mw << today << 0.0 << QStringList();
        QTest::newRow("energy") << 20.0 << mw << today << 0.0 << QStringList{energyNote};
        QTest::newRow("overdue") << 12.5 << mw << QDate(2024, 1, 10) << 0.0
                                 << QStringList{calibration};
        QTest::newRow("passes") << 12.5 << mw << today << 1000.0
                                << QStringList{u"Process window LED cure: pass"_s};
        QTest::newRow("all three")
            << 20.0 << mw << QDate(2024, 1, 10) << 500.0
            << QStringList{u"Process window LED cure: fail: peak above the maximum"_s, energyNote,
                           calibration};
        QTest::newRow("unknown unit")
            << 12.5 << QString() << today << 1000.0
            << QStringList{u"Process window LED cure: fail: unit not known"_s};
        QTest::newRow("not a number") << qQNaN() << mw << today << 0.0 << QStringList();
    }

    void checkLines()
    {
        QFETCH(double, energy);
        QFETCH(QString, unit);
        QFETCH(QDate, calibrated);
        QFETCH(double, maxPeak);
        QFETCH(QStringList, lines);
        if (maxPeak > 0)
            chooseWindow(maxPeak, 10000);
        FirstPageFor415 page;
        fillPage(page);
        page.reportValues.energy = QString::number(energy, 'f', 3);
        Recording &r = page.reportValues.recording;
        r.energy = energy;
        r.unit = unit;
        r.calibrationDate = calibrated;
        auto *report = new ReportPageFor415(&page);
        QCOMPARE(report->checkLines(), lines);
        QString paragraphs;
        for (const QString &line : lines)
            paragraphs += u"<p>"_s + line.toHtmlEscaped() + u"</p>"_s;
        for (bool chinese : {false, true}) {
            const QString html = report->buildReportHtml(chinese, kFixedTime);
            QVERIFY(html.contains(u"</td></tr></table>"_s + paragraphs + u"<br /><br /><br />"_s));
            QVERIFY2(!html.contains(u"nan"_s), qPrintable(html));
        }
        const QString shown = browserOf(report)->toPlainText();
        for (const QString &line : lines)
            QVERIFY2(shown.contains(line), qPrintable(shown));

        // The library window's report of the same entry says the same.
        QWidget library;
        MeterReportValues values = page.reportValues;
        values.recording = Recording();
        QCOMPARE(ReportPageFor415(values, r, &library).checkLines(), lines);
    }

    void savePdf()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FirstPageFor415 page;
        fillPage(page);
        page.reportValues.recording.calibrationDate = QDate(2024, 1, 10);
        auto *report = new ReportPageFor415(&page);
        QStringList said;
        QString proposed;
        const QString pdf = dir.filePath(u"meter.pdf"_s);
        UserPrompts::setHandler([&](const UserPrompts::Prompt &prompt) {
            UserPrompts::Answer answer;
            if (prompt.kind == UserPrompts::Kind::SaveFile) {
                proposed = prompt.directory;
                answer.fileName = pdf;
            } else {
                said << prompt.text;
            }
            return answer;
        });
        click(report, "SavePdfbtn");
        QVERIFY(said.isEmpty());
        QVERIFY(QFileInfo(proposed).fileName().startsWith(u"Report_"_s));
        QVERIFY(PdfPrinting::hasPage(pdf));
        QCOMPARE(ExportFolder::last(), dir.path());
        QVERIFY(PdfPrinting::haveTool("pdftotext"));
        const QString text = PdfPrinting::toolOutput("pdftotext", {pdf, u"-"_s});
        QVERIFY2(text.contains(u"12.500"_s) && text.contains(u"Calibrated on 2024-01-10"_s),
                 qPrintable(text));
    }

    void grabs()
    {
        FirstPageFor415 page;
        fillPage(page);
        QVERIFY((WindowGrab::saveReports<ReportPageFor415>(page, u"meterreport"_s)));
    }
};

QTEST_MAIN(tst_MeterReport)
#include "tst_meterreport.moc"
