#pragma once

#include <QWidget>

class QPushButton;

// The EXCEL, Curve and Report buttons in the last column of a result table row. A click
// becomes a signal carrying the row, so the page need not search for the sender.
class TableOpWidget : public QWidget
{
    Q_OBJECT

public:
    explicit TableOpWidget(QWidget *parent = nullptr);

    QPushButton *EXCELBtn;
    QPushButton *CurveBtn;
    QPushButton *ReportBtn;
    // Set by the page right after it creates the widget.
    int row = -1;

    void retranslateButtons();

signals:
    void sigCurve(int row);
    void sigEXCEL(int row);
    void sigReport(int row);

public slots:
    void on_CurveBtn_clicked();
    void on_EXCELBtn_clicked();
    void on_ReportBtn_clicked();
};
