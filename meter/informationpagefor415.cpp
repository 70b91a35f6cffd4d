#include "informationpagefor415.h"
#include "reportpagefor415.h"
#include "ui_informationpagefor415.h"

InformationPageFor415::InformationPageFor415(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::InformationPageFor415>()),
      report(qobject_cast<ReportPageFor415 *>(parent))
{
    ui->setupUi(this);
    if (report) {
        ui->DeviceEdit->setText(report->deviceName);
        ui->serialNoEdit->setText(report->serialNo);
    }
}

InformationPageFor415::~InformationPageFor415() = default;

void InformationPageFor415::on_Okbtn_clicked()
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

void InformationPageFor415::on_Cancelbtn_clicked()
{
    close();
}
