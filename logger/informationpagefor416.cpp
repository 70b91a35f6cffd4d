#include "informationpagefor416.h"
#include "reportpagefor416.h"
#include "ui_informationpagefor416.h"

InformationPageFor416::InformationPageFor416(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::InformationPageFor416>()),
      report(qobject_cast<ReportPageFor416 *>(parent))
{
    ui->setupUi(this);
    if (report) {
        ui->DeviceEdit->setText(report->deviceName);
        ui->serialNoEdit->setText(report->serialNo);
        ui->StartTimeEdit->setText(report->startTime);
        ui->DurationEdit->setText(report->duration);
    }
}

InformationPageFor416::~InformationPageFor416() = default;

void InformationPageFor416::on_Okbtn_clicked()
{
    if (report) {
        // The report is HTML: what the user types is shown as text, never as markup.
        report->testLight = ui->TestLightEdit->text().toHtmlEscaped();
        report->company = ui->CompanyEdit->text().toHtmlEscaped();
        report->tester = ui->TesterEdit->text().toHtmlEscaped();
        report->auditor = ui->AuditorEdit->text().toHtmlEscaped();
        report->refreshReport();
    }
    close();
}

void InformationPageFor416::on_Cancelbtn_clicked()
{
    close();
}
