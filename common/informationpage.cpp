#include "informationpage.h"
#include "reportpage.h"

#include <QLineEdit>

InformationPage::InformationPage(QWidget *parent)
    : QDialog(parent), m_report(qobject_cast<ReportPage *>(parent))
{
}

InformationPage::~InformationPage() = default;

void InformationPage::showDevice(QLineEdit *device, QLineEdit *serial)
{
    if (!m_report)
        return;
    device->setText(m_report->deviceName);
    serial->setText(m_report->serialNo);
}

void InformationPage::on_Okbtn_clicked()
{
    if (m_report) {
        QString ReportPage::*const targets[] = {&ReportPage::testLight, &ReportPage::company,
                                                &ReportPage::tester, &ReportPage::auditor};
        // The report is HTML: what the user types is shown as text, never as markup.
        for (size_t i = 0; i < m_freeTexts.size(); ++i)
            m_report->*targets[i] = m_freeTexts[i]->text().toHtmlEscaped();
        m_report->refreshReport();
    }
    close();
}

void InformationPage::on_Cancelbtn_clicked()
{
    close();
}
