#pragma once

#include <QDialog>
#include <array>

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
    explicit InformationPage(QWidget *parent);
    // Called once the form is set up: takes the fields both forms have, under the same names.
    template <class Form> void setForm(Form *ui)
    {
        showDevice(ui->DeviceEdit, ui->serialNoEdit);
        m_freeTexts = {ui->TestLightEdit, ui->CompanyEdit, ui->TesterEdit, ui->AuditorEdit};
        offerTexts();
    }

private:
    void showDevice(QLineEdit *device, QLineEdit *serial);
    // The texts the report holds (kept from an earlier report of the entry) are offered.
    void offerTexts();

    ReportPage *m_report;
    // Test light, company, tester and auditor, in that order.
    std::array<QLineEdit *, 4> m_freeTexts{};
};
