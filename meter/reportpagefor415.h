#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class QDateTime;
class QPrinter;

namespace Ui {
class ReportPageFor415;
}

// The test report of one row of the meter page's table. Its values are a snapshot taken
// from the parent page at construction; later changes on the page do not reach it.
class ReportPageFor415 : public QDialog
{
    Q_OBJECT

public:
    // The parent is the meter page; without one the report is built from empty values.
    explicit ReportPageFor415(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~ReportPageFor415() override;

    void copyPageValues();
    void initReport();
    // Rebuilds the HTML in the layout chosen by isChinese and shows it.
    void refreshReport();
    // In the layout chosen by isChinese, stamped with the current time.
    QString buildReportHtml() const;
    QString buildReportHtml(bool chinese, const QDateTime &now) const;
    // Prints the document the text browser shows.
    void printTo(QPrinter *printer);

    QString deviceName;
    QString serialNo;
    QString energy;
    QString duration;
    // HTML fragments: "&nbsp;" at first, then the escaped texts the user entered.
    QString testLight;
    QString company;
    QString tester;
    QString auditor;

private:
    std::unique_ptr<Ui::ReportPageFor415> ui;

public:
    QString powerRT;
    QString powerMAX;
    QString powerMIN;
    QString powerAVG;
    QString powerUnitHtml;
    QString energyUnitHtml;
    bool isChinese = false;

public slots:
    void on_PrintReportbtn_clicked();
    void on_Informationbtn_clicked();
};
