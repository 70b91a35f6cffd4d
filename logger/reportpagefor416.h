#pragma once

#include <QByteArray>
#include <QDialog>
#include <QString>
#include <memory>

class QCloseEvent;
class QDateTime;
class QPrinter;

namespace Ui {
class ReportPageFor416;
}

// The test report of one record group of the logger page, with a picture of its curve.
// Values and samples are a snapshot taken from the parent page at construction.
class ReportPageFor416 : public QDialog
{
    Q_OBJECT

public:
    // The parent is the logger page; without one the report is built from empty values.
    explicit ReportPageFor416(QWidget *parent = nullptr, Qt::WindowFlags f = {});
    ~ReportPageFor416() override;

    // PcustomPlot.png in the program's directory, shared by every logger report.
    static QString imagePath();

    void copyPageValues();
    // Reloads the group from the page and draws it on the hidden plot.
    void plotRecords();
    // Saves the picture, rebuilds the HTML in the layout chosen by isChinese and shows it.
    void refreshReport();
    void initReport();
    // In the layout chosen by isChinese, stamped with the current time.
    QString buildReportHtml() const;
    QString buildReportHtml(bool chinese, const QDateTime &now) const;
    // Prints the document the text browser shows, with this report's own picture.
    void printTo(QPrinter *printer);

    QString deviceName;
    QString serialNo;
    QString startTime;
    QString duration;
    // HTML fragments: "&nbsp;" at first, then the escaped texts the user entered.
    QString testLight;
    QString company;
    QString tester;
    QString auditor;

private:
    std::unique_ptr<Ui::ReportPageFor416> ui;
    QByteArray recordData;

public:
    QString powerREC;
    QString powerMAX;
    QString powerMIN;
    QString powerAVG;
    bool isChinese = false;

public slots:
    void autoset_yaxis();
    void on_PrintReportbtn_clicked();
    void on_Informationbtn_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;
};
