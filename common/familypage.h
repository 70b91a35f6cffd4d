#pragma once

#include <QList>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <memory>

class QAbstractButton;
class QButtonGroup;
class QDateEdit;
class QLineEdit;
class QProgressDialog;
class QTableWidget;
class TableOpWidget;
struct ProductionInfo;

// What the pages of both instrument families do alike: the device fields, the result table
// with its row buttons, the download progress and the messages. Every user text is looked up
// in the context of the page's own class, where its translation has always been.
class FamilyPage : public QWidget
{
    Q_OBJECT

public:
    ~FamilyPage() override;

    QString deviceSummary() const;
    QProgressDialog *progress() const { return progressDialog.get(); }

    bool isChinese = false;
    bool busy = false;
    quint32 modelCode = 0;
    // The auto power-off choice of both families: OffBtn is 0, OnBtn 1.
    QButtonGroup *autoOffGroup;

protected:
    // Which failures of an exchange the user hears about.
    enum Told { TellNoProbe = 1, TellUnconfigured = 2 };

    explicit FamilyPage(QWidget *parent);
    // Called once the form is set up: takes the widgets both forms have, under the same
    // names, and hides those neither page shows. The auto-off choice is exclusive. The table's
    // seven data columns are never narrower than `columnWidths`.
    template <class Form> void setForm(Form *ui, const QList<int> &columnWidths)
    {
        m_fields = {ui->DeviceNameEdit,     ui->serialNoEdit,         ui->FirmwareVersionEdit,
                    ui->ProductionDateEdit, ui->CalibrationeDateEdit, ui->tbData};
        m_columnWidths = columnWidths;
        addAutoOffButtons(ui->OffBtn, ui->OnBtn);
        for (QWidget *w : std::initializer_list<QWidget *>{
                 ui->DeviceNameEdit, ui->DeviceNameLab, ui->ProductionDateLab,
                 ui->ProductionDateEdit, ui->CalibrationeDateEdit, ui->CalibrationDataLab})
            w->hide();
    }

    static bool linkOpen();
    static const QString &barredStyle();
    static const QString &whiteStyle();
    // tr() of the page's own class.
    QString pageTr(const char *source) const;

    void showBusy();
    // Each shows its message and returns true when the action must not go on.
    bool refuseWhenBusy();
    bool refuseWithoutLink();
    bool refuseAction();
    // Tells the user about a failed exchange's code when it is one of `told`.
    void tellFailure(int code, int told = TellNoProbe);

    void showProduction(const ProductionInfo &info);
    void showFirmware(int version);
    void clearDeviceFields();
    // Runs `retranslate` and puts back what the fields held, `kept` ones too; then the row
    // buttons speak the new language and the columns fit their new headers.
    void retranslateKeeping(const std::function<void()> &retranslate,
                            const QList<QLineEdit *> &kept = {});
    // Appends a row of seven centred texts and its row buttons, which it returns.
    TableOpWidget *appendRow(const QStringList &texts);
    void clearRows();
    void fitColumns();
    void startProgress(int maximum);

    std::unique_ptr<QProgressDialog> progressDialog; // a window of its own, without parent

private:
    void addAutoOffButtons(QAbstractButton *off, QAbstractButton *on);

    struct Fields {
        QLineEdit *name = nullptr;
        QLineEdit *serial = nullptr;
        QLineEdit *firmware = nullptr;
        QDateEdit *produced = nullptr;
        QDateEdit *calibrated = nullptr;
        QTableWidget *table = nullptr;
    };

    Fields m_fields;
    QList<int> m_columnWidths;
};
