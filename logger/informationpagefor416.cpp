#include "informationpagefor416.h"
#include "reportpagefor416.h"
#include "ui_informationpagefor416.h"

InformationPageFor416::InformationPageFor416(QWidget *parent)
    : InformationPage(parent), ui(std::make_unique<Ui::InformationPageFor416>())
{
    ui->setupUi(this);
    setForm(ui.get());
    if (const auto *report = qobject_cast<ReportPageFor416 *>(parent)) {
        ui->StartTimeEdit->setText(report->startTime);
        ui->DurationEdit->setText(report->duration);
    }
}

InformationPageFor416::~InformationPageFor416() = default;
