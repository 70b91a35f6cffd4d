#pragma once

#include <QDialog>
#include <memory>

class ReportPageFor415;

namespace Ui {
class InformationPageFor415;
}

// Asks for the four free texts of a meter report (test light, company, tester, auditor).
class InformationPageFor415 : public QDialog
{
    Q_OBJECT

public:
    // The parent is the report the texts go to.
    explicit InformationPageFor415(QWidget *parent = nullptr);
    ~InformationPageFor415() override;

public slots:
    void on_Okbtn_clicked();
    void on_Cancelbtn_clicked();

private:
    std::unique_ptr<Ui::InformationPageFor415> ui;
    ReportPageFor415 *report;
};
