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

void InformationPage::offerTexts()
{
    if (!m_report)
        return;
    const QStringList kept = m_report->keptTexts();
    for (size_t i = 0; i < m_freeTexts.size(); ++i)
        m_freeTexts[i]->setText(kept.value(static_cast<int>(i)));
}

void InformationPage::on_Okbtn_clicked()
{
    if (m_report) {
        QStringList texts;
        for (QLineEdit *edit : m_freeTexts)
            texts.append(edit->text());
        m_report->setFreeTexts(texts);
    }
    close();
}

void InformationPage::on_Cancelbtn_clicked()
{
    close();
}
