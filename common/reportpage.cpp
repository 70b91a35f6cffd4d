#include "reportpage.h"
#include "reporthtml.h"
#include "reportvalues.h"
#include "userprompts.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QPrinter>
#include <QScreen>
#include <QTextBrowser>

namespace {

const QString kBlank = QStringLiteral("&nbsp;");

} // namespace

ReportPage::ReportPage(QWidget *parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

ReportPage::~ReportPage() = default;

void ReportPage::initReport()
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

void ReportPage::refreshReport()
{
    const QString html = buildReportHtml();
    m_browser->clear();
    m_browser->setHtml(html);
}

void ReportPage::copyValues(const ReportValues &values, const QString &mark)
{
    deviceName = values.deviceName + mark;
    serialNo = values.serialNo;
    duration = values.duration;
    powerMAX = values.powerMAX;
    powerMIN = values.powerMIN;
    powerAVG = values.powerAVG;
    isChinese = values.isChinese;
}

QString ReportPage::buildReportHtml() const
{
    return buildReportHtml(isChinese, QDateTime::currentDateTime());
}

void ReportPage::printTo(QPrinter *printer)
{
    if (printer)
        m_browser->print(printer);
}

void ReportPage::on_PrintReportbtn_clicked()
{
    QPrinter printer(QPrinter::ScreenResolution);
    if (UserPrompts::print(this, &printer))
        printTo(&printer);
}

void ReportPage::on_Informationbtn_clicked()
{
    // Owned by the report; hidden, not deleted, when closed.
    QDialog *information = newInformationPage();
    information->show();
    information->raise();
    information->activateWindow();
}

QString ReportPage::htmlOpening(bool chinese, const QDateTime &now)
{
    const QString testReport = QObject::tr("Test Report");
    QString html;
    html += QStringLiteral("<html><head><meta http-equiv=Content-Type "
                           "content=\"text/html;charset=gb2312\"><title>");
    html += QStringLiteral("Report_") + now.toString(QStringLiteral("yyyyMMddhhmmss"));
    html += QStringLiteral("</title></head><body>");
    if (chinese) {
        html += ReportHtml::titleParagraph(QStringLiteral("25.0"), QObject::tr("Test Report1"));
        html += ReportHtml::titleParagraph(QStringLiteral("18.0"), testReport);
    } else {
        html += ReportHtml::titleParagraph(QStringLiteral("25.0"), testReport);
    }
    html += QStringLiteral("<br />");
    return html;
}

QString ReportPage::testDataCaption()
{
    return QStringLiteral("<p>") + QObject::tr("Test Data") + QStringLiteral("</p>");
}

QString ReportPage::testerCells(int captionWidth) const
{
    return ReportHtml::plainCell(captionWidth, QObject::tr(" Tester:")) +
           ReportHtml::centredCell(26, tester + QStringLiteral("<hr/>"));
}

QString ReportPage::auditorCells(int captionWidth) const
{
    return ReportHtml::plainCell(captionWidth, QObject::tr(" Auditor:")) +
           ReportHtml::centredCell(25, auditor + QStringLiteral("<hr/>"));
}
