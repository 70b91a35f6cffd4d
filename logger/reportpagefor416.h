#pragma once

#include "loggerreportvalues.h"
#include "reportpage.h"

#include <QString>
#include <memory>

class QCloseEvent;
class QDateTime;

namespace Ui {
class ReportPageFor416;
}

// The test report of one record group of the logger page, with a picture of its curve.
// Values and samples are a snapshot taken from the parent page at construction.
class ReportPageFor416 : public ReportPage
{
    Q_OBJECT

public:
    // The parent is the logger page; without one the report is built from empty values.
    explicit ReportPageFor416(QWidget *parent = nullptr, Qt::WindowFlags f = {});
    // A report of these values and this recording, wherever they come from (the library
    // window).
    ReportPageFor416(const LoggerReportValues &values, const Recording &recording, QWidget *parent);
    ~ReportPageFor416() override;

    // PcustomPlot.png in the program's directory, shared by every logger report.
    static QString imagePath();

    void copyPageValues();
    // Reloads the recording from the page and draws it on the hidden plot, against seconds.
    void plotRecords();
    // Saves the picture, rebuilds the HTML in the layout chosen by isChinese and shows it.
    void refreshReport() override;
    void initReport();
    using ReportPage::buildReportHtml;
    QString buildReportHtml(bool chinese, const QDateTime &now) const override;

    QString startTime;
    QString powerREC;

public slots:
    void autoset_yaxis();

protected:
    QDialog *newInformationPage() override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The dose's row of the data table: value and unit apart, flagged where it is.
    QString doseRow() const;

    std::unique_ptr<Ui::ReportPageFor416> ui;
    // Set by the constructor that is given its data: then no page is asked.
    bool m_given = false;
    LoggerReportValues m_values;
    Recording m_givenRecording;
};
