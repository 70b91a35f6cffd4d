#pragma once

#include "meterreportvalues.h"
#include "reportpage.h"

#include <QString>
#include <memory>

class QDateTime;

namespace Ui {
class ReportPageFor415;
}

// The test report of one row of the meter page's table. Its values are a snapshot taken
// from the parent page at construction; later changes on the page do not reach it.
class ReportPageFor415 : public ReportPage
{
    Q_OBJECT

public:
    // The parent is the meter page; without one the report is built from empty values.
    explicit ReportPageFor415(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    // A report of these values and this group, wherever they come from (the library window).
    ReportPageFor415(const MeterReportValues &values, const Recording &recording, QWidget *parent);
    ~ReportPageFor415() override;

    void copyPageValues();
    using ReportPage::buildReportHtml;
    QString buildReportHtml(bool chinese, const QDateTime &now) const override;

    QString energy;
    QString powerRT;
    QString powerUnitHtml;
    QString energyUnitHtml;

protected:
    QDialog *newInformationPage() override;

private:
    void take(const MeterReportValues &values);

    std::unique_ptr<Ui::ReportPageFor415> ui;
};
