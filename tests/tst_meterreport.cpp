// The meter report: its HTML in both layouts, the snapshot it takes of the meter page, the
// information dialog, printing; and the row operations widget of the result tables.
#include "firstpagefor415.h"
#include "informationpagefor415.h"
#include "reportpagefor415.h"
#include "tableopwidget.h"
#include "userprompts.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTranslator>
#include <QtTest>

namespace {

const QDateTime kFixedTime(QDate(2026, 3, 5), QTime(9, 7, 3));

// Answers every lookup with "context|source", so a test sees which context was asked.
class ContextTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QString::fromLatin1(context) + QLatin1Char('|') + QString::fromUtf8(sourceText);
    }
};

// Prefixes the texts of one context only.
class PrefixTranslator : public QTranslator
{
public:
    PrefixTranslator(const char *context, const QString &prefix)
        : m_context(context), m_prefix(prefix)
    {
    }
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (m_context != context)
            return QString();
        return m_prefix + QString::fromUtf8(sourceText);
    }

private:
    QByteArray m_context;
    QString m_prefix;
};

// A few Chinese captions, so the Chinese grab looks like the real thing.
class ChineseTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *sourceText, const char *, int) const override
    {
        static const QHash<QString, QString> table = {
            {QStringLiteral("Test Report1"), QStringLiteral("紫外辐照计测试报告")},
            {QStringLiteral("Test Report"), QStringLiteral("测试报告")},
            {QStringLiteral("Device: "), QStringLiteral("设备：")},
            {QStringLiteral("Test Data"), QStringLiteral("测试数据")},
            {QStringLiteral("Duration"), QStringLiteral("时长")},
            {QStringLiteral(" Tester:"), QStringLiteral(" 测试员：")},
            {QStringLiteral(" Auditor:"), QStringLiteral(" 审核员：")},
        };
        return table.value(QString::fromUtf8(sourceText));
    }
};

void fillPage(FirstPageFor415 &page, bool chinese = false)
{
    MeterReportValues &v = page.reportValues;
    v.deviceName = QStringLiteral("UV-415");
    v.serialNo = QStringLiteral("5633415");
    v.energy = QStringLiteral("12.500");
    v.duration = QStringLiteral("25");
    v.powerRT = QStringLiteral("0.512");
    v.powerMAX = QStringLiteral("0.600");
    v.powerMIN = QStringLiteral("0.400");
    v.powerAVG = QStringLiteral("0.500");
    v.powerUnitHtml = QStringLiteral("mW/cm<sup>2</sup>");
    v.energyUnitHtml = QStringLiteral("mJ/cm<sup>2</sup>");
    v.isChinese = chinese;
}

QTextBrowser *browserOf(ReportPageFor415 *report)
{
    return report->findChild<QTextBrowser *>(QStringLiteral("textBrowser"));
}

QString titleOf(ReportPageFor415 *report)
{
    return browserOf(report)->document()->metaInformation(QTextDocument::DocumentTitle);
}

InformationPageFor415 *openInformation(ReportPageFor415 *report)
{
    QTest::mouseClick(report->findChild<QPushButton *>(QStringLiteral("Informationbtn")),
                      Qt::LeftButton);
    const auto dialogs =
        report->findChildren<InformationPageFor415 *>(QString(), Qt::FindDirectChildrenOnly);
    return dialogs.isEmpty() ? nullptr : dialogs.last();
}

QLineEdit *edit(QWidget *dialog, const char *name)
{
    return dialog->findChild<QLineEdit *>(QLatin1String(name));
}

void click(QWidget *dialog, const char *name)
{
    QTest::mouseClick(dialog->findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
}

QString dataRow(const QString &item, const QString &value, const QString &unit)
{
    return QStringLiteral("<tr><td width=\"15%\" align=\"center\">") + item +
           QStringLiteral("</td><td width=\"30%\" align=\"center\">") + value +
           QStringLiteral("</td><td width=\"30%\" align=\"center\">") + unit +
           QStringLiteral("</td></tr>");
}

// Everything from the header table on; the title part differs between the layouts.
QString expectedBody(int testerWidth, int auditorWidth)
{
    return QString::fromUtf8(
               R"(<br /><table width="100%" border="0" cellspacing=0>)"
               R"(<tr><td width="13%">Device: </td><td width="60%">UV-415  Solvane<hr/></td></tr>)"
               R"(<tr><td width="13%">SN:</td><td width="60%">5633415<hr/></td></tr>)"
               R"(<tr><td width="13%">Test Light:</td><td width="60%">&nbsp;<hr/></td></tr>)"
               R"(<tr><td width="13%">Company:</td><td width="60%">&nbsp;<hr/></td></tr>)"
               R"(</table><br /><p>Test Data</p><table width="100%" border="1" cellspacing=0>)"
               R"(<tr><td width="15%" align="center">Item</td>)"
               R"(<td width="30%" align="center">Value</td>)"
               R"(<td width="30%" align="center">Unit</td></tr>)"
               R"(<tr><td width="15%" align="center">Energy</td>)"
               R"(<td width="30%" align="center">12.500</td>)"
               R"(<td width="30%" align="center">mJ/cm<sup>2</sup></td></tr>)"
               R"(<tr><td width="15%" align="center">Duration</td>)"
               R"(<td width="30%" align="center">25</td>)"
               R"(<td width="30%" align="center">S</td></tr>)"
               R"(<tr><td width="15%" align="center">Power(RT)</td>)"
               R"(<td width="30%" align="center">0.512</td>)"
               R"(<td width="30%" align="center">mW/cm<sup>2</sup></td></tr>)"
               R"(<tr><td width="15%" align="center">Power(MAX)</td>)"
               R"(<td width="30%" align="center">0.600</td>)"
               R"(<td width="30%" align="center">mW/cm<sup>2</sup></td></tr>)"
               R"(<tr><td width="15%" align="center">Power(MIN)</td>)"
               R"(<td width="30%" align="center">0.400</td>)"
               R"(<td width="30%" align="center">mW/cm<sup>2</sup></td></tr>)"
               R"(<tr><td width="15%" align="center">Power(AVG)</td>)"
               R"(<td width="30%" align="center">0.500</td>)"
               R"(<td width="30%" align="center">mW/cm<sup>2</sup></td></tr>)"
               R"(</table><br /><br /><br />)"
               R"(<table width="100%" border="0" cellspacing=0><tr>)") +
           QStringLiteral("<td width=\"%1%\"> Tester:</td>").arg(testerWidth) +
           QString::fromUtf8(R"(<td width="26%" align="center">&nbsp;<hr/></td>)"
                             R"(<td width="3%"></td>)") +
           QStringLiteral("<td width=\"%1%\"> Auditor:</td>").arg(auditorWidth) +
           QString::fromUtf8(R"(<td width="25%" align="center">&nbsp;<hr/></td>)"
                             R"(</tr></table></body></html>)");
}

const char *const kHead =
    R"(<html><head><meta http-equiv=Content-Type content="text/html;charset=gb2312">)"
    R"(<title>Report_20260305090703</title></head><body>)";

QString titleLine(const char *size, const char *caption)
{
    return QString::fromUtf8(R"(<p class="MsoNormal" align="center" style="text-align: center">)"
                             R"(<span lang="EN-US" style="font-size: )") +
           QLatin1String(size) + QStringLiteral("pt\">") + QLatin1String(caption) +
           QStringLiteral("</span></p>");
}

} // namespace

class tst_MeterReport : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void tableOpWidgetSignals();
    void tableOpWidgetRetranslate();

    void englishLayout();
    void chineseLayout();
    void translationContexts();
    void unitCells();
    void windowAndTimestamp();
    void snapshotOfThePage();
    void informationDialog();
    void enteredTextIsEscaped();
    void informationCancel();
    void printing();
    void printCancelled();
    void grabs();
};

void tst_MeterReport::cleanup()
{
    UserPrompts::setHandler({});
}

void tst_MeterReport::tableOpWidgetSignals()
{
    QWidget table;
    auto *ops = new TableOpWidget(&table);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QCOMPARE(ops->row, -1);
    QCOMPARE(ops->EXCELBtn->objectName(), QStringLiteral("EXCELBtn"));
    QCOMPARE(ops->CurveBtn->objectName(), QStringLiteral("CurveBtn"));
    QCOMPARE(ops->ReportBtn->objectName(), QStringLiteral("ReportBtn"));
    // Left to right: EXCEL, Curve, Report.
    QVERIFY(ops->EXCELBtn->x() < ops->CurveBtn->x());
    QVERIFY(ops->CurveBtn->x() < ops->ReportBtn->x());

    QSignalSpy excel(ops, &TableOpWidget::sigEXCEL);
    QSignalSpy curve(ops, &TableOpWidget::sigCurve);
    QSignalSpy report(ops, &TableOpWidget::sigReport);

    // Each button raises its own signal only.
    QTest::mouseClick(ops->ReportBtn, Qt::LeftButton);
    QCOMPARE(report.count(), 1);
    QCOMPARE(excel.count() + curve.count(), 0);
    QCOMPARE(report.takeFirst().at(0).toInt(), -1);
    QTest::mouseClick(ops->CurveBtn, Qt::LeftButton);
    QCOMPARE(curve.count(), 1);
    QCOMPARE(excel.count() + report.count(), 0);
    QCOMPARE(curve.takeFirst().at(0).toInt(), -1);
    QTest::mouseClick(ops->EXCELBtn, Qt::LeftButton);
    QCOMPARE(excel.count(), 1);
    QCOMPARE(curve.count() + report.count(), 0);
    QCOMPARE(excel.takeFirst().at(0).toInt(), -1);

    ops->row = 7;
    QTest::mouseClick(ops->EXCELBtn, Qt::LeftButton);
    QTest::mouseClick(ops->CurveBtn, Qt::LeftButton);
    QTest::mouseClick(ops->ReportBtn, Qt::LeftButton);
    QCOMPARE(excel.count(), 1);
    QCOMPARE(curve.count(), 1);
    QCOMPARE(report.count(), 1);
    QCOMPARE(excel.at(0).at(0).toInt(), 7);
    QCOMPARE(curve.at(0).at(0).toInt(), 7);
    QCOMPARE(report.at(0).at(0).toInt(), 7);
}

void tst_MeterReport::tableOpWidgetRetranslate()
{
    QWidget table;
    auto *ops = new TableOpWidget(&table);
    QCOMPARE(ops->EXCELBtn->text(), QStringLiteral("EXCEL"));
    QCOMPARE(ops->CurveBtn->text(), QStringLiteral("Curve"));
    QCOMPARE(ops->ReportBtn->text(), QStringLiteral("Report"));
    // As the meter page shows it.
    ops->EXCELBtn->hide();
    ops->CurveBtn->hide();

    PrefixTranslator translator("TableOpWidget", QStringLiteral("X-"));
    QCoreApplication::installTranslator(&translator);
    ops->retranslateButtons();
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(ops->EXCELBtn->text(), QStringLiteral("X-EXCEL"));
    QCOMPARE(ops->CurveBtn->text(), QStringLiteral("X-Curve"));
    QCOMPARE(ops->ReportBtn->text(), QStringLiteral("X-Report"));

    ops->retranslateButtons();
    QCOMPARE(ops->EXCELBtn->text(), QStringLiteral("EXCEL"));
    QCOMPARE(ops->ReportBtn->text(), QStringLiteral("Report"));

    // A widget made while a translation is installed starts translated.
    QCoreApplication::installTranslator(&translator);
    TableOpWidget fresh;
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(fresh.CurveBtn->text(), QStringLiteral("X-Curve"));
}

void tst_MeterReport::englishLayout()
{
    FirstPageFor415 page;
    fillPage(page);
    auto *report = new ReportPageFor415(&page);
    QVERIFY(!report->isChinese);
    const QString expected =
        QLatin1String(kHead) + titleLine("25.0", "Test Report") + expectedBody(10, 10);
    QCOMPARE(report->buildReportHtml(false, kFixedTime), expected);
    QCOMPARE(report->buildReportHtml().mid(expected.indexOf(QLatin1String("</title>"))),
             expected.mid(expected.indexOf(QLatin1String("</title>"))));
}

void tst_MeterReport::chineseLayout()
{
    // The layout follows the page's flag; no translator is needed to see it.
    FirstPageFor415 page;
    fillPage(page, true);
    auto *report = new ReportPageFor415(&page);
    QVERIFY(report->isChinese);
    const QString expected = QLatin1String(kHead) + titleLine("25.0", "Test Report1") +
                             titleLine("18.0", "Test Report") + expectedBody(18, 20);
    QCOMPARE(report->buildReportHtml(true, kFixedTime), expected);
    QCOMPARE(report->buildReportHtml().mid(expected.indexOf(QLatin1String("</title>"))),
             expected.mid(expected.indexOf(QLatin1String("</title>"))));
    QVERIFY(browserOf(report)->toPlainText().contains(QLatin1String("Test Report1")));
}

void tst_MeterReport::translationContexts()
{
    FirstPageFor415 page;
    fillPage(page);
    auto *report = new ReportPageFor415(&page);
    ContextTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const QString english = report->buildReportHtml(false, kFixedTime);
    const QString chinese = report->buildReportHtml(true, kFixedTime);
    QCoreApplication::removeTranslator(&translator);

    const QStringList general = {
        QStringLiteral("Test Report"), QStringLiteral("SN:"),        QStringLiteral("Test Light:"),
        QStringLiteral("Company:"),    QStringLiteral("Test Data"),  QStringLiteral("Item"),
        QStringLiteral("Value"),       QStringLiteral("Unit"),       QStringLiteral("Energy"),
        QStringLiteral("S"),           QStringLiteral("Power(RT)"),  QStringLiteral("Power(MAX)"),
        QStringLiteral("Power(MIN)"),  QStringLiteral("Power(AVG)"), QStringLiteral(" Tester:"),
        QStringLiteral(" Auditor:")};
    for (const QString &caption : general) {
        const QString looked = QStringLiteral("QObject|") + caption + QLatin1Char('<');
        QVERIFY2(english.contains(looked), qPrintable(caption));
        QVERIFY2(chinese.contains(looked), qPrintable(caption));
    }
    QVERIFY(english.contains(QLatin1String(">QObject|Device: <")));
    QVERIFY(english.contains(QLatin1String(">QObject|Duration<")));
    QVERIFY(!english.contains(QLatin1String("ReportPageFor415|")));
    QVERIFY(chinese.contains(QLatin1String(">QObject|Test Report1<")));
    QVERIFY(chinese.contains(QLatin1String(">ReportPageFor415|Device: <")));
    QVERIFY(chinese.contains(QLatin1String(">ReportPageFor415|Duration<")));
    // The document title is never translated.
    QVERIFY(english.contains(QLatin1String("<title>Report_20260305090703</title>")));
    QVERIFY(chinese.contains(QLatin1String("<title>Report_20260305090703</title>")));
}

void tst_MeterReport::unitCells()
{
    const QList<QPair<QString, QString>> units = {
        {QStringLiteral("uW/cm<sup>2</sup>"), QStringLiteral("uJ/cm<sup>2</sup>")},
        {QStringLiteral("mW/cm<sup>2</sup>"), QStringLiteral("mJ/cm<sup>2</sup>")},
        {QStringLiteral("W/cm<sup>2</sup>"), QStringLiteral("J/cm<sup>2</sup>")},
        {QStringLiteral("W/m<sup>2</sup>"), QStringLiteral("J/m<sup>2</sup>")},
        {QString(), QString()}, // a unit code the program does not know
    };
    for (const auto &[power, energy] : units) {
        FirstPageFor415 page;
        fillPage(page);
        page.reportValues.powerUnitHtml = power;
        page.reportValues.energyUnitHtml = energy;
        auto *report = new ReportPageFor415(&page);
        const QString html = report->buildReportHtml(false, kFixedTime);
        QVERIFY(html.contains(dataRow(QStringLiteral("Energy"), QStringLiteral("12.500"), energy)));
        QVERIFY(
            html.contains(dataRow(QStringLiteral("Power(RT)"), QStringLiteral("0.512"), power)));
        QVERIFY(
            html.contains(dataRow(QStringLiteral("Power(MAX)"), QStringLiteral("0.600"), power)));
        QVERIFY(
            html.contains(dataRow(QStringLiteral("Power(MIN)"), QStringLiteral("0.400"), power)));
        QVERIFY(
            html.contains(dataRow(QStringLiteral("Power(AVG)"), QStringLiteral("0.500"), power)));
        // Seconds, whatever the other units are.
        QVERIFY(html.contains(
            dataRow(QStringLiteral("Duration"), QStringLiteral("25"), QStringLiteral("S"))));
    }
}

void tst_MeterReport::windowAndTimestamp()
{
    FirstPageFor415 page;
    fillPage(page);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    auto *report = new ReportPageFor415(&page);
    const QDateTime after = QDateTime::currentDateTime();

    QCOMPARE(report->windowTitle(), QStringLiteral("Report"));
    QVERIFY(!report->isModal());
    const int available = QGuiApplication::primaryScreen()->availableGeometry().height();
    QCOMPARE(report->size(), QSize(700, available - 40));

    // The browser shows the built report, stamped when it was built.
    const QString title = titleOf(report);
    QVERIFY2(title.startsWith(QLatin1String("Report_")), qPrintable(title));
    const QDateTime stamp = QDateTime::fromString(title.mid(7), QStringLiteral("yyyyMMddhhmmss"));
    QVERIFY2(stamp.isValid(), qPrintable(title));
    QVERIFY(stamp >= before && stamp <= after);
    QVERIFY(browserOf(report)->toPlainText().contains(
        QRegularExpression(QStringLiteral("UV-415\\s+Solvane"))));

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
    QCOMPARE(orphan.deviceName, QStringLiteral("  Solvane"));
    QWidget other;
    ReportPageFor415 foreign(&other);
    QCOMPARE(foreign.powerAVG, QString());
}

void tst_MeterReport::snapshotOfThePage()
{
    FirstPageFor415 page;
    fillPage(page, true);
    auto *first = new ReportPageFor415(&page);
    const QString before = first->buildReportHtml(true, kFixedTime);

    // What changes on the page afterwards does not reach the open report.
    page.reportValues.energy = QStringLiteral("99.999");
    page.reportValues.powerRT = QStringLiteral("7.777");
    page.reportValues.powerUnitHtml = QStringLiteral("W/m<sup>2</sup>");
    page.reportValues.deviceName = QStringLiteral("other");
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
    QCOMPARE(second->energy, QStringLiteral("99.999"));
    QCOMPARE(second->deviceName, QStringLiteral("other  Solvane"));
    InformationPageFor415 *info = openInformation(first);
    QVERIFY(info);
    QTest::keyClicks(edit(info, "TesterEdit"), QStringLiteral("Alice"));
    click(info, "Okbtn");
    QCOMPARE(first->tester, QStringLiteral("Alice"));
    QCOMPARE(second->tester, QStringLiteral("&nbsp;"));
    QVERIFY(!browserOf(second)->toPlainText().contains(QLatin1String("Alice")));
    QVERIFY(browserOf(first)->toPlainText().contains(QLatin1String("Alice")));
}

void tst_MeterReport::informationDialog()
{
    FirstPageFor415 page;
    fillPage(page);
    auto *report = new ReportPageFor415(&page);
    for (const QString *field :
         {&report->testLight, &report->company, &report->tester, &report->auditor})
        QCOMPARE(*field, QStringLiteral("&nbsp;"));

    InformationPageFor415 *info = openInformation(report);
    QVERIFY(info);
    QVERIFY(info->isVisible());
    QVERIFY(!info->isModal());
    QCOMPARE(edit(info, "DeviceEdit")->text(), QStringLiteral("UV-415  Solvane"));
    QCOMPARE(edit(info, "serialNoEdit")->text(), QStringLiteral("5633415"));
    QVERIFY(edit(info, "DeviceEdit")->isReadOnly());
    QVERIFY(edit(info, "serialNoEdit")->isReadOnly());
    for (const char *name : {"TestLightEdit", "CompanyEdit", "TesterEdit", "AuditorEdit"}) {
        QVERIFY(!edit(info, name)->isReadOnly());
        QVERIFY(edit(info, name)->text().isEmpty());
    }
    QTest::keyClicks(edit(info, "TestLightEdit"), QStringLiteral("UV LED 365"));
    QTest::keyClicks(edit(info, "CompanyEdit"), QStringLiteral("Acme"));
    QTest::keyClicks(edit(info, "TesterEdit"), QStringLiteral("Bob"));
    QTest::keyClicks(edit(info, "AuditorEdit"), QStringLiteral("Carol"));
    QPointer<InformationPageFor415> closed(info);
    click(info, "Okbtn");
    QVERIFY(closed);
    QVERIFY(!info->isVisible());
    QCOMPARE(report->testLight, QStringLiteral("UV LED 365"));
    QCOMPARE(report->company, QStringLiteral("Acme"));
    QCOMPARE(report->tester, QStringLiteral("Bob"));
    QCOMPARE(report->auditor, QStringLiteral("Carol"));
    const QString html = report->buildReportHtml(false, kFixedTime);
    QVERIFY(html.contains(QLatin1String("<td width=\"60%\">UV LED 365<hr/></td>")));
    QVERIFY(html.contains(QLatin1String("<td width=\"26%\" align=\"center\">Bob<hr/></td>")));
    QVERIFY(browserOf(report)->toPlainText().contains(QLatin1String("Carol")));

    // Another dialog opens empty, and OK without typing leaves only the underlines.
    InformationPageFor415 *again = openInformation(report);
    QVERIFY(again && again != info);
    QVERIFY(edit(again, "TesterEdit")->text().isEmpty());
    click(again, "Okbtn");
    for (const QString *field :
         {&report->testLight, &report->company, &report->tester, &report->auditor})
        QCOMPARE(*field, QString());
    const QString emptied = report->buildReportHtml(false, kFixedTime);
    QCOMPARE(emptied.count(QLatin1String("<td width=\"60%\"><hr/></td>")), 2);
    QVERIFY(emptied.contains(QLatin1String("<td width=\"26%\" align=\"center\"><hr/></td>")));
    QVERIFY(emptied.contains(QLatin1String("<td width=\"25%\" align=\"center\"><hr/></td>")));
    QVERIFY(!emptied.contains(QLatin1String("&nbsp;")));
    QCOMPARE(report->findChildren<InformationPageFor415 *>().size(), 2);
}

void tst_MeterReport::enteredTextIsEscaped()
{
    FirstPageFor415 page;
    fillPage(page);
    auto *report = new ReportPageFor415(&page);
    InformationPageFor415 *info = openInformation(report);
    QVERIFY(info);
    const QString light = QStringLiteral("<b>bold</b> & \"Lamp\"");
    const QString company = QStringLiteral("<img src=\"x.png\">");
    const QString tester = QStringLiteral("R&D &nbsp;");
    const QString auditor = QStringLiteral("</td></tr></table><h1>big</h1>");
    QTest::keyClicks(edit(info, "TestLightEdit"), light);
    QTest::keyClicks(edit(info, "CompanyEdit"), company);
    QTest::keyClicks(edit(info, "TesterEdit"), tester);
    QTest::keyClicks(edit(info, "AuditorEdit"), auditor);
    QCOMPARE(edit(info, "AuditorEdit")->text(), auditor);
    click(info, "Okbtn");

    const QString html = report->buildReportHtml(false, kFixedTime);
    QVERIFY(html.contains(QLatin1String(
        "<td width=\"60%\">&lt;b&gt;bold&lt;/b&gt; &amp; &quot;Lamp&quot;<hr/></td>")));
    QVERIFY(html.contains(QLatin1String("R&amp;D &amp;nbsp;<hr/>")));
    QVERIFY(!html.contains(QLatin1String("<h1>")));
    QVERIFY(!html.contains(QLatin1String("<img")));

    // Shown as typed, not as markup.
    const QString shown = browserOf(report)->toPlainText();
    for (const QString &typed : {light, company, tester, auditor})
        QVERIFY2(shown.contains(typed), qPrintable(typed));
    QVERIFY(!browserOf(report)->toHtml().contains(QLatin1String("<img")));
}

void tst_MeterReport::informationCancel()
{
    FirstPageFor415 page;
    fillPage(page);
    auto *report = new ReportPageFor415(&page);
    const QString before = report->buildReportHtml(false, kFixedTime);
    InformationPageFor415 *info = openInformation(report);
    QVERIFY(info);
    QTest::keyClicks(edit(info, "TestLightEdit"), QStringLiteral("typed"));
    QTest::keyClicks(edit(info, "AuditorEdit"), QStringLiteral("typed"));
    click(info, "Cancelbtn");
    QVERIFY(!info->isVisible());
    QCOMPARE(report->testLight, QStringLiteral("&nbsp;"));
    QCOMPARE(report->auditor, QStringLiteral("&nbsp;"));
    QCOMPARE(report->buildReportHtml(false, kFixedTime), before);
    QVERIFY(!browserOf(report)->toPlainText().contains(QLatin1String("typed")));
}

void tst_MeterReport::printing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FirstPageFor415 page;
    fillPage(page);
    auto *report = new ReportPageFor415(&page);

    auto checkPdf = [](const QString &path) {
        QFile file(path);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(bytes.contains("/Type /Page"));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            return;
        QProcess process;
        process.start(pdftotext, {path, QStringLiteral("-")});
        QVERIFY(process.waitForFinished(30000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        QVERIFY2(text.contains(QLatin1String("5633415")), qPrintable(text));
        QVERIFY(text.contains(QLatin1String("Power(AVG)")));
    };

    const QString direct = dir.filePath(QStringLiteral("direct.pdf"));
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(direct);
    report->printTo(&printer);
    checkPdf(direct);
    if (QFile::exists(QStringLiteral("/usr/bin/pdfinfo"))) {
        QProcess pdfinfo;
        pdfinfo.start(QStringLiteral("/usr/bin/pdfinfo"), {direct});
        QVERIFY(pdfinfo.waitForFinished(30000));
        const QRegularExpressionMatch pages =
            QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                .match(QString::fromUtf8(pdfinfo.readAllStandardOutput()));
        QVERIFY(pages.hasMatch());
        QVERIFY(pages.captured(1).toInt() >= 1);
    }

    // Through the Print button: the dialog's choices (here a PDF file) apply.
    const QString viaButton = dir.filePath(QStringLiteral("button.pdf"));
    int asked = 0;
    int resolution = 0;
    UserPrompts::setHandler([&](const UserPrompts::Prompt &prompt) {
        ++asked;
        UserPrompts::Answer answer;
        if (prompt.kind != UserPrompts::Kind::Print || !prompt.printer) {
            answer.accepted = false;
            return answer;
        }
        resolution = prompt.printer->resolution();
        prompt.printer->setOutputFormat(QPrinter::PdfFormat);
        prompt.printer->setOutputFileName(viaButton);
        return answer;
    });
    QTest::mouseClick(report->findChild<QPushButton *>(QStringLiteral("PrintReportbtn")),
                      Qt::LeftButton);
    QCOMPARE(asked, 1);
    checkPdf(viaButton);
    // Screen resolution, not the printer's high resolution.
    QCOMPARE(resolution, QPrinter(QPrinter::ScreenResolution).resolution());
    QVERIFY(resolution < QPrinter(QPrinter::HighResolution).resolution());
}

void tst_MeterReport::printCancelled()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    FirstPageFor415 page;
    fillPage(page);
    auto *report = new ReportPageFor415(&page);
    const QString path = dir.filePath(QStringLiteral("cancelled.pdf"));
    int asked = 0;
    UserPrompts::setHandler([&](const UserPrompts::Prompt &prompt) {
        ++asked;
        if (prompt.printer) {
            prompt.printer->setOutputFormat(QPrinter::PdfFormat);
            prompt.printer->setOutputFileName(path);
        }
        UserPrompts::Answer answer;
        answer.accepted = false;
        return answer;
    });
    QTest::mouseClick(report->findChild<QPushButton *>(QStringLiteral("PrintReportbtn")),
                      Qt::LeftButton);
    QCOMPARE(asked, 1);
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(dir.path()).isEmpty());

    // Without a printer there is nothing to ask.
    QVERIFY(!UserPrompts::print(report, nullptr));
    QCOMPARE(asked, 1);
}

void tst_MeterReport::grabs()
{
    const QString dir = QStringLiteral(SOLVANE_GRAB_DIR);
    QVERIFY(QDir().mkpath(dir));

    FirstPageFor415 page;
    fillPage(page);
    auto *english = new ReportPageFor415(&page);
    english->show();
    QVERIFY(QTest::qWaitForWindowExposed(english));
    const QString englishPng = dir + QStringLiteral("/meterreport_en.png");
    QVERIFY(english->grab().save(englishPng));
    QVERIFY(QFileInfo(englishPng).size() > 1000);

    ChineseTranslator translator;
    QCoreApplication::installTranslator(&translator);
    page.reportValues.isChinese = true;
    auto *chinese = new ReportPageFor415(&page);
    QCoreApplication::removeTranslator(&translator);
    QVERIFY(browserOf(chinese)->toPlainText().contains(QStringLiteral("紫外辐照计测试报告")));
    chinese->show();
    QVERIFY(QTest::qWaitForWindowExposed(chinese));
    const QString chinesePng = dir + QStringLiteral("/meterreport_zh.png");
    QVERIFY(chinese->grab().save(chinesePng));
    QVERIFY(QFileInfo(chinesePng).size() > 1000);
}

QTEST_MAIN(tst_MeterReport)
#include "tst_meterreport.moc"
