#pragma once

#include "informationpage.h"

#include <memory>

namespace Ui {
class InformationPageFor415;
}

// Asks for the four free texts of a meter report (test light, company, tester, auditor).
class InformationPageFor415 : public InformationPage
{
    Q_OBJECT

public:
    // The parent is the report the texts go to.
    explicit InformationPageFor415(QWidget *parent = nullptr);
    ~InformationPageFor415() override;

private:
    std::unique_ptr<Ui::InformationPageFor415> ui;
};
