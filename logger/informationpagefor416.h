#pragma once

#include <QDialog>
#include <memory>

class ReportPageFor416;

namespace Ui {
class InformationPageFor416;
}

// Asks for the four free texts of a logger report (test light, company, tester, auditor).
class InformationPageFor416 : public QDialog
{
    Q_OBJECT

public:
    // The parent is the report the texts go to.
    explicit InformationPageFor416(QWidget *parent = nullptr);
    ~InformationPageFor416() override;

public slots:
    void on_Okbtn_clicked();
    void on_Cancelbtn_clicked();

private:
    std::unique_ptr<Ui::InformationPageFor416> ui;
    ReportPageFor416 *report;
};
