#include "reportpagefor415.h"
#include "firstpagefor415.h"
#include "informationpagefor415.h"
#include "reporthtml.h"
#include "ui_reportpagefor415.h"

#include <QDateTime>

// The report's captions are looked up in the general context "QObject" (the one
// QObject::tr uses); only the Chinese layout takes "Device: " and "Duration" from
// this class's own context.

namespace {

QString headerRow(const QString &caption, const QString &value)
{
    return ReportHtml::row(ReportHtml::plainCell(13, caption) +
                           ReportHtml::plainCell(60, value + QStringLiteral("<hr/>")));
}

QString dataRow(const QString &item, const QString &value, const QString &unit)
{
    return ReportHtml::row(ReportHtml::centredCell(15, item) + ReportHtml::centredCell(30, value) +
                           ReportHtml::centredCell(30, unit));
}

} // namespace

ReportPageFor415::ReportPageFor415(QWidget *parent, Qt::WindowFlags flags)
    : ReportPage(parent, flags), ui(std::make_unique<Ui::ReportPageFor415>())
{
    ui->setupUi(this);
    setBrowser(ui->textBrowser);
    copyPageValues();
    initReport();
}

ReportPageFor415::ReportPageFor415(const MeterReportValues &values, const Recording &recording,
                                   QWidget *parent)
    : ReportPage(parent, {}), ui(std::make_unique<Ui::ReportPageFor415>())
{
    ui->setupUi(this);
    setBrowser(ui->textBrowser);
    MeterReportValues given = values;
    given.recording = recording;
    take(given);
    initReport();
}

ReportPageFor415::~ReportPageFor415() = default;

void ReportPageFor415::copyPageValues()
{
    MeterReportValues values;
    if (const auto *page = qobject_cast<FirstPageFor415 *>(parentWidget()))
        values = page->reportValues;
    take(values);
}

void ReportPageFor415::take(const MeterReportValues &values)
{
    copyValues(values, QStringLiteral("  Solvane"));
    energy = finiteText(values.energy);
    powerRT = finiteText(values.powerRT);
    recording = values.recording;
    // Checked as a meter group, also where the page had none to give.
    recording.family = Recording::Family::Meter;
    powerUnitHtml = values.powerUnitHtml;
    energyUnitHtml = values.energyUnitHtml;
}

QString ReportPageFor415::buildReportHtml(bool chinese, const QDateTime &now) const
{
    const QString deviceCaption = chinese ? tr("Device: ") : QObject::tr("Device: ");
    const QString durationCaption = chinese ? tr("Duration") : QObject::tr("Duration");

    QString html = htmlOpening(chinese, now);
    html += ReportHtml::tableOpening(0);
    html += headerRow(deviceCaption, deviceName);
    html += headerRow(QObject::tr("SN:"), serialNo);
    html += headerRow(QObject::tr("Test Light:"), testLight);
    html += headerRow(QObject::tr("Company:"), company);
    html += QStringLiteral("</table><br />");

    html += testDataCaption();

    html += ReportHtml::tableOpening(1);
    html += dataRow(QObject::tr("Item"), QObject::tr("Value"), QObject::tr("Unit"));
    html += dataRow(QObject::tr("Energy"), energy, energyUnitHtml);
    html += dataRow(durationCaption, duration, QObject::tr("S"));
    html += dataRow(QObject::tr("Power(RT)"), powerRT, powerUnitHtml);
    html += dataRow(QObject::tr("Power(MAX)"), powerMAX, powerUnitHtml);
    html += dataRow(QObject::tr("Power(MIN)"), powerMIN, powerUnitHtml);
    html += dataRow(QObject::tr("Power(AVG)"), powerAVG, powerUnitHtml);
    html += QStringLiteral("</table>") + checkLinesHtml() + QStringLiteral("<br /><br /><br />");

    // Chinese labels need wider cells.
    html += ReportHtml::tableOpening(0);
    html += ReportHtml::row(testerCells(chinese ? 18 : 10) + ReportHtml::plainCell(3, QString()) +
                            auditorCells(chinese ? 20 : 10));
    html += QStringLiteral("</table>");

    html += footerHtml();
    html += QStringLiteral("</body></html>");
    return html;
}

QDialog *ReportPageFor415::newInformationPage()
{
    return new InformationPageFor415(this);
}
