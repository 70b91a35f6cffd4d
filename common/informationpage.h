#pragma once

#include <QDialog>

class QLineEdit;
class ReportPage;

// Asks for the four free texts of a report (test light, company, tester, auditor) and shows
// what the report already says of the device. The parent is the report the texts go to.
class InformationPage : public QDialog
{
    Q_OBJECT

public:
    ~InformationPage() override;

public slots:
    void on_Okbtn_clicked();
    void on_Cancelbtn_clicked();

protected:
    // The form's fields; the read-only ones are filled from the report.
    struct Fields {
        QLineEdit *device = nullptr;
        QLineEdit *serial = nullptr;
        QLineEdit *testLight = nullptr;
        QLineEdit *company = nullptr;
        QLineEdit *tester = nullptr;
        QLineEdit *auditor = nullptr;
        // Only where the family's report has them.
        QLineEdit *startTime = nullptr;
        QLineEdit *duration = nullptr;
    };

    explicit InformationPage(QWidget *parent);
    // `startTime` is shown when the form has the field.
    void setFields(const Fields &fields, const QString &startTime = QString());

private:
    ReportPage *m_report;
    Fields m_fields;
};
