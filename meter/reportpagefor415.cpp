#include "reportpagefor415.h"
#include "firstpagefor415.h"
#include "informationpagefor415.h"
#include "reporthtml.h"
#include "ui_reportpagefor415.h"
#include "userprompts.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QPrinter>
#include <QScreen>

// The report's captions are looked up in the general context "QObject" (the one
// QObject::tr uses); only the Chinese layout takes "Device: " and "Duration" from
// this class's own context.

namespace {

const QString kBlank = QStringLiteral("&nbsp;");

QString headerRow(const QString &caption, const QString &value)
{
    return QStringLiteral("<tr>") + ReportHtml::plainCell(13, caption) +
           ReportHtml::plainCell(60, value + QStringLiteral("<hr/>")) + QStringLiteral("</tr>");
}

QString dataRow(const QString &item, const QString &value, const QString &unit)
{
    return QStringLiteral("<tr>") + ReportHtml::centredCell(15, item) +
           ReportHtml::centredCell(30, value) + ReportHtml::centredCell(30, unit) +
           QStringLiteral("</tr>");
}

} // namespace

ReportPageFor415::ReportPageFor415(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), ui(std::make_unique<Ui::ReportPageFor415>())
{
    ui->setupUi(this);
    copyPageValues();
    initReport();
}

ReportPageFor415::~ReportPageFor415() = default;

void ReportPageFor415::copyPageValues()
{
    MeterReportValues values;
    if (const auto *page = qobject_cast<FirstPageFor415 *>(parentWidget()))
        values = page->reportValues;
    deviceName = values.deviceName + QStringLiteral("  Solvane");
    serialNo = values.serialNo;
    energy = values.energy;
    duration = values.duration;
    powerRT = values.powerRT;
    powerMAX = values.powerMAX;
    powerMIN = values.powerMIN;
    powerAVG = values.powerAVG;
    powerUnitHtml = values.powerUnitHtml;
    energyUnitHtml = values.energyUnitHtml;
    isChinese = values.isChinese;
}

void ReportPageFor415::initReport()
{
    // Keeps an untouched field an underlined blank cell.
    testLight = kBlank;
    company = kBlank;
    tester = kBlank;
    auditor = kBlank;
    refreshReport();
    int newHeight = height();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        newHeight = screen->availableGeometry().height() - 40;
    resize(700, newHeight);
}

void ReportPageFor415::refreshReport()
{
    const QString html = buildReportHtml();
    ui->textBrowser->clear();
    ui->textBrowser->setHtml(html);
}

QString ReportPageFor415::buildReportHtml() const
{
    return buildReportHtml(isChinese, QDateTime::currentDateTime());
}

QString ReportPageFor415::buildReportHtml(bool chinese, const QDateTime &now) const
{
    const QString deviceCaption =
        chinese ? tr("Device: ") : QCoreApplication::translate("QObject", "Device: ");
    const QString durationCaption =
        chinese ? tr("Duration") : QCoreApplication::translate("QObject", "Duration");
    const QString testReport = QCoreApplication::translate("QObject", "Test Report");

    QString html;
    html += QStringLiteral("<html><head><meta http-equiv=Content-Type "
                           "content=\"text/html;charset=gb2312\"><title>");
    html += QStringLiteral("Report_") + now.toString(QStringLiteral("yyyyMMddhhmmss"));
    html += QStringLiteral("</title></head><body>");

    if (chinese) {
        html += ReportHtml::titleParagraph(QStringLiteral("25.0"),
                                           QCoreApplication::translate("QObject", "Test Report1"));
        html += ReportHtml::titleParagraph(QStringLiteral("18.0"), testReport);
    } else {
        html += ReportHtml::titleParagraph(QStringLiteral("25.0"), testReport);
    }
    html += QStringLiteral("<br />");

    html += ReportHtml::tableOpening(0);
    html += headerRow(deviceCaption, deviceName);
    html += headerRow(QCoreApplication::translate("QObject", "SN:"), serialNo);
    html += headerRow(QCoreApplication::translate("QObject", "Test Light:"), testLight);
    html += headerRow(QCoreApplication::translate("QObject", "Company:"), company);
    html += QStringLiteral("</table><br />");

    html += QStringLiteral("<p>") + QCoreApplication::translate("QObject", "Test Data") +
            QStringLiteral("</p>");

    html += ReportHtml::tableOpening(1);
    html += dataRow(QCoreApplication::translate("QObject", "Item"),
                    QCoreApplication::translate("QObject", "Value"),
                    QCoreApplication::translate("QObject", "Unit"));
    html += dataRow(QCoreApplication::translate("QObject", "Energy"), energy, energyUnitHtml);
    html += dataRow(durationCaption, duration, QCoreApplication::translate("QObject", "S"));
    html += dataRow(QCoreApplication::translate("QObject", "Power(RT)"), powerRT, powerUnitHtml);
    html += dataRow(QCoreApplication::translate("QObject", "Power(MAX)"), powerMAX, powerUnitHtml);
    html += dataRow(QCoreApplication::translate("QObject", "Power(MIN)"), powerMIN, powerUnitHtml);
    html += dataRow(QCoreApplication::translate("QObject", "Power(AVG)"), powerAVG, powerUnitHtml);
    html += QStringLiteral("</table><br /><br /><br />");

    // Chinese labels need wider cells.
    const int testerWidth = chinese ? 18 : 10;
    const int auditorWidth = chinese ? 20 : 10;
    html += ReportHtml::tableOpening(0) + QStringLiteral("<tr>");
    html += ReportHtml::plainCell(testerWidth, QCoreApplication::translate("QObject", " Tester:"));
    html += ReportHtml::centredCell(26, tester + QStringLiteral("<hr/>"));
    html += ReportHtml::plainCell(3, QString());
    html +=
        ReportHtml::plainCell(auditorWidth, QCoreApplication::translate("QObject", " Auditor:"));
    html += ReportHtml::centredCell(25, auditor + QStringLiteral("<hr/>"));
    html += QStringLiteral("</tr></table>");

    html += QStringLiteral("</body></html>");
    return html;
}

void ReportPageFor415::printTo(QPrinter *printer)
{
    if (printer)
        ui->textBrowser->print(printer);
}

void ReportPageFor415::on_PrintReportbtn_clicked()
{
    QPrinter printer(QPrinter::ScreenResolution);
    if (UserPrompts::print(this, &printer))
        printTo(&printer);
}

void ReportPageFor415::on_Informationbtn_clicked()
{
    // Owned by the report; hidden, not deleted, when closed.
    auto *information = new InformationPageFor415(this);
    information->show();
    information->raise();
    information->activateWindow();
}
