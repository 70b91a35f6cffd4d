#include "informationpagefor415.h"
#include "ui_informationpagefor415.h"

InformationPageFor415::InformationPageFor415(QWidget *parent)
    : InformationPage(parent), ui(std::make_unique<Ui::InformationPageFor415>())
{
    ui->setupUi(this);
    setForm(ui.get());
}

InformationPageFor415::~InformationPageFor415() = default;
