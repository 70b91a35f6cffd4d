#pragma once

#include "recording.h"

#include <QDate>
#include <QList>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <memory>

class QAbstractButton;
class QLabel;
class RecordingLibrary;
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

    // The library every download is kept in (not owned); null, or closed, with `whyNot` when
    // there is none. The page says so in its library line.
    void setLibrary(RecordingLibrary *library, const QString &whyNot = {});
    RecordingLibrary *library() const { return m_library; }
    // What the library line says now; empty while it is hidden.
    QString libraryNote() const;
    // Shows `note` in the library line; empty hides it.
    void showLibraryNote(const QString &note);
    // How the last download went into the library: entries added and already there, or why
    // none could be kept (ok false).
    struct Kept {
        bool ok = false;
        int added = 0;
        int already = 0;
        QString error;
    };
    Kept lastKept() const { return m_lastKept; }

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
        takeLibraryLine(ui->libraryStatusLab);
        takeCalibrationLine(ui->calibrationAgeLab);
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
    // Fills in the calibration date and says so on the page when it is older than the period.
    void showCalibration(const QDate &calibrated);
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
    // An entry of `family` with the instrument's identity as the page shows it.
    Recording newEntry(Recording::Family family) const;
    // Keeps what was just downloaded; a library that cannot take it costs the download
    // nothing: the library line says why. Returns each entry's id (0 where none).
    QList<qint64> keepInLibrary(const QList<Recording> &entries);

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

    void takeLibraryLine(QLabel *line);
    void takeCalibrationLine(QLabel *line);
    void showCalibrationNote();

    Fields m_fields;
    QList<int> m_columnWidths;
    QLabel *m_libraryLine = nullptr;
    QLabel *m_calibrationLine = nullptr;
    // The instrument's calibration date as read; invalid while there is none.
    QDate m_calibration;
    RecordingLibrary *m_library = nullptr;
    QString m_libraryWhyNot;
    Kept m_lastKept;
};
