#pragma once

#include "informationpage.h"

#include <memory>

namespace Ui {
class InformationPageFor416;
}

// Asks for the four free texts of a logger report; shows its start time and duration too.
class InformationPageFor416 : public InformationPage
{
    Q_OBJECT

public:
    // The parent is the report the texts go to.
    explicit InformationPageFor416(QWidget *parent = nullptr);
    ~InformationPageFor416() override;

private:
    std::unique_ptr<Ui::InformationPageFor416> ui;
};
