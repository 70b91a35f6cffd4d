#include "informationpagefor416.h"
#include "reportpagefor416.h"
#include "ui_informationpagefor416.h"

InformationPageFor416::InformationPageFor416(QWidget *parent)
    : InformationPage(parent), ui(std::make_unique<Ui::InformationPageFor416>())
{
    ui->setupUi(this);
    const auto *report = qobject_cast<ReportPageFor416 *>(parent);
    setFields({ui->DeviceEdit, ui->serialNoEdit, ui->TestLightEdit, ui->CompanyEdit, ui->TesterEdit,
               ui->AuditorEdit, ui->StartTimeEdit, ui->DurationEdit},
              report ? report->startTime : QString());
}

InformationPageFor416::~InformationPageFor416() = default;
