#include "informationpage.h"
#include "reportpage.h"

#include <QLineEdit>

InformationPage::InformationPage(QWidget *parent)
    : QDialog(parent), m_report(qobject_cast<ReportPage *>(parent))
{
}

InformationPage::~InformationPage() = default;

void InformationPage::setFields(const Fields &fields, const QString &startTime)
{
    m_fields = fields;
    if (!m_report)
        return;
    m_fields.device->setText(m_report->deviceName);
    m_fields.serial->setText(m_report->serialNo);
    if (m_fields.startTime)
        m_fields.startTime->setText(startTime);
    if (m_fields.duration)
        m_fields.duration->setText(m_report->duration);
}

void InformationPage::on_Okbtn_clicked()
{
    if (m_report) {
        // The report is HTML: what the user types is shown as text, never as markup.
        m_report->testLight = m_fields.testLight->text().toHtmlEscaped();
        m_report->company = m_fields.company->text().toHtmlEscaped();
        m_report->tester = m_fields.tester->text().toHtmlEscaped();
        m_report->auditor = m_fields.auditor->text().toHtmlEscaped();
        m_report->refreshReport();
    }
    close();
}

void InformationPage::on_Cancelbtn_clicked()
{
    close();
}
