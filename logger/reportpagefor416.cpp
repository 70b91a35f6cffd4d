#include "reportpagefor416.h"
#include "dose.h"
#include "firstpagefor416.h"
#include "informationpagefor416.h"
#include "reporthtml.h"
#include "ui_reportpagefor416.h"
#include "uvpowercurvepagefor416.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <QUrl>

// Every caption of this report is looked up in the general context "QObject", in both
// layouts.

namespace {

const QString kPowerUnit = QStringLiteral("uW/cm<sup>2</sup>");
constexpr int kImageWidth = 500;
constexpr int kImageHeight = 200;

QString headerRow(int captionWidth, const QString &firstCaption, const QString &firstValue,
                  const QString &secondCaption, const QString &secondValue)
{
    return ReportHtml::row(ReportHtml::plainCell(captionWidth, firstCaption) +
                           ReportHtml::plainCell(33, firstValue + QStringLiteral("<hr/>")) +
                           ReportHtml::plainCell(3, QString()) +
                           ReportHtml::plainCell(captionWidth, secondCaption) +
                           ReportHtml::plainCell(33, secondValue + QStringLiteral("<hr/>")));
}

// The unit cell is left open on purpose: HTML closes it at </tr>.
QString dataRow(const QString &item, const QString &value, const QString &unit)
{
    return ReportHtml::row(ReportHtml::centredCell(15, item) + ReportHtml::centredCell(15, value) +
                           ReportHtml::centredCellOpening(15) + unit);
}

} // namespace

ReportPageFor416::ReportPageFor416(QWidget *parent, Qt::WindowFlags f)
    : ReportPage(parent, f), ui(std::make_unique<Ui::ReportPageFor416>())
{
    ui->setupUi(this);
    setBrowser(ui->textBrowser);
    initReport();
}

ReportPageFor416::ReportPageFor416(const LoggerReportValues &values, const Recording &recording,
                                   QWidget *parent)
    : ReportPage(parent, {}), ui(std::make_unique<Ui::ReportPageFor416>()), m_given(true),
      m_values(values), m_givenRecording(recording)
{
    ui->setupUi(this);
    setBrowser(ui->textBrowser);
    initReport();
}

ReportPageFor416::~ReportPageFor416() = default;

QString ReportPageFor416::imagePath()
{
    return QDir::fromNativeSeparators(QCoreApplication::applicationDirPath()) +
           QStringLiteral("/PcustomPlot.png");
}

void ReportPageFor416::copyPageValues()
{
    LoggerReportValues values;
    Recording entry;
    if (m_given) {
        values = m_values;
        entry = m_givenRecording;
    } else if (const auto *page = qobject_cast<FirstPageFor416 *>(parentWidget())) {
        values = page->reportValues;
        entry = page->selectedRecording;
    }
    copyValues(values, QStringLiteral(" Solvane"));
    recording = UVPowerCurvePageFor416::counted(entry);
    startTime = values.startTime;
    powerREC = finiteText(values.powerREC);
}

void ReportPageFor416::plotRecords()
{
    copyPageValues();
    UVPowerCurvePageFor416::showRecording(ui->PcustomPlot, recording);
}

void ReportPageFor416::initReport()
{
    QCustomPlot *plot = ui->PcustomPlot;
    plot->addGraph();
    plot->graph(0)->setPen(QPen(Qt::black));
    plot->xAxis->setRange(1, 61440);
    plot->yAxis->setRange(0, 600);
    // The picture is small: small type leaves room for the curve.
    QFont tickFont = plot->xAxis->tickLabelFont();
    tickFont.setPointSizeF(7);
    QFont labelFont = plot->xAxis->labelFont();
    labelFont.setPointSizeF(7.5);
    for (QCPAxis *axis : {plot->xAxis, plot->yAxis}) {
        axis->setTickLabelFont(tickFont);
        axis->setLabelFont(labelFont);
    }
    plotRecords();
    ReportPage::initReport();
}

void ReportPageFor416::refreshReport()
{
    const QString path = imagePath();
    QCustomPlot *plot = ui->PcustomPlot;
    // A failed save leaves only the file missing; the report shows its own copy below.
    plot->savePng(path, kImageWidth, kImageHeight, 1.0, -1, 96, QCP::ruDotsPerInch);
    plot->hide();
    const QString html = buildReportHtml();
    ui->textBrowser->clear();
    // The file is shared: another report overwrites it with its own group's curve, and
    // closing any report deletes it. Showing and printing this report's own picture
    // therefore never reads the file back.
    ui->textBrowser->document()->addResource(
        QTextDocument::ImageResource, QUrl(path),
        plot->toPixmap(kImageWidth, kImageHeight, 1.0).toImage());
    ui->textBrowser->setHtml(html);
}

QString ReportPageFor416::buildReportHtml(bool chinese, const QDateTime &now) const
{
    QString html = htmlOpening(chinese, now);

    // Chinese captions need wider cells.
    const int captionWidth = chinese ? 15 : 13;
    html += ReportHtml::tableOpening(0);
    html +=
        headerRow(captionWidth, QObject::tr("Device: "), deviceName, QObject::tr("SN:"), serialNo);
    html += headerRow(captionWidth, QObject::tr("StartTime:"), startTime, QObject::tr("Duration:"),
                      duration);
    html += headerRow(captionWidth, QObject::tr("Test Light:"), testLight, QObject::tr("Company:"),
                      company);
    html += QStringLiteral("</table><br />");

    html += testDataCaption();

    html += ReportHtml::tableOpening(1);
    html += dataRow(QObject::tr("Item"), QObject::tr("Value"), QObject::tr("Unit"));
    html += dataRow(QObject::tr("Power(REC)"), powerREC, kPowerUnit);
    html += dataRow(QObject::tr("Power(MAX)"), powerMAX, kPowerUnit);
    html += dataRow(QObject::tr("Power(MIN)"), powerMIN, kPowerUnit);
    html += dataRow(QObject::tr("Power(AVG)"), powerAVG, kPowerUnit);
    html += doseRow();
    html += QStringLiteral("<tr><td width=\"100%\" colspan=\"3\"><p><img border=\"0\" src=\"") +
            imagePath().toHtmlEscaped() +
            QStringLiteral("\" width=\"500\" height=\"200\"></p></td></tr>");
    html += QStringLiteral("</table>") + checkLinesHtml() + QStringLiteral("<br /><br /><br />");

    html += ReportHtml::tableOpening(0);
    if (chinese) {
        html += ReportHtml::row(testerCells(50));
        html += ReportHtml::row(auditorCells(50));
    } else {
        html += ReportHtml::row(testerCells(10) + ReportHtml::plainCell(12, QString()) +
                                auditorCells(11));
    }
    html += QStringLiteral("</table>");

    html += footerHtml();
    html += QStringLiteral("</body></html>");
    return html;
}

QString ReportPageFor416::doseRow() const
{
    // "850.0 uJ/cm²": the number in the value cell, the unit in the unit cell.
    const QString dose = Dose::text(recording.doseUjCm2);
    const qsizetype space = dose.indexOf(QLatin1Char(' '));
    QString value = dose.left(space);
    if (recording.doseFlagged)
        value = QObject::tr("%1 (flagged)").arg(value);
    QString unit = dose.mid(space + 1).toHtmlEscaped();
    unit.replace(QStringLiteral("²"), QStringLiteral("<sup>2</sup>"));
    return dataRow(QObject::tr("Dose"), value, unit);
}

void ReportPageFor416::autoset_yaxis()
{
    UVPowerCurvePageFor416::fitAxes(ui->PcustomPlot);
    ui->PcustomPlot->replot();
    ui->PcustomPlot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables);
}

QDialog *ReportPageFor416::newInformationPage()
{
    return new InformationPageFor416(this);
}

void ReportPageFor416::closeEvent(QCloseEvent *event)
{
    QFile::remove(imagePath());
    ReportPage::closeEvent(event);
}
