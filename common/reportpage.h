#pragma once

#include "recording.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QDateTime;
class QPrinter;
class QTextBrowser;
struct ReportValues;
class RecordingLibrary;

// What the test reports of both families share: the values both show, the free texts the
// information dialog asks for, printing, and the HTML around the two layouts. Captions come
// from the general context "QObject" through QObject::tr, never this class's tr().
class ReportPage : public QDialog
{
    Q_OBJECT

public:
    ~ReportPage() override;

    // Blank free texts, the report shown, and the window as tall as the screen allows.
    void initReport();
    // Rebuilds the HTML in the layout chosen by isChinese and shows it.
    virtual void refreshReport();
    // In the layout chosen by isChinese, stamped with the current time.
    QString buildReportHtml() const;
    virtual QString buildReportHtml(bool chinese, const QDateTime &now) const = 0;
    // Prints the document the text browser shows.
    void printTo(QPrinter *printer);
    // Writes that document into the PDF file `fileName`, without a dialog; false when the
    // file cannot be written.
    bool savePdf(const QString &fileName);

    QString deviceName;
    QString serialNo;
    QString duration;
    // HTML fragments: "&nbsp;" at first, then the escaped texts the user entered.
    QString testLight;
    QString company;
    QString tester;
    QString auditor;
    QString powerMAX;
    QString powerMIN;
    QString powerAVG;
    bool isChinese = false;
    qint64 libraryEntry = 0;
    QString sha256;
    RecordingLibrary *library = nullptr; // where the entry is; not owned
    // What the report is of: its instrument's calibration date, the values a process window
    // checks, the dose.
    Recording recording;

    // The lines below the data table, translated: the verdict against the chosen process
    // window, the meter's energy check when it is flagged and the calibration age when it is
    // overdue; each only where it has something to say.
    QStringList checkLines() const;
    // A value text that is not a finite number ("nan", "inf") as a dash; others as they are.
    static QString finiteText(const QString &text);

    // The four free texts (test light, company, tester, auditor) kept with the library entry
    // when the report opened: the information dialog offers them.
    QStringList keptTexts() const { return m_keptTexts; }
    // Shows the texts as typed and keeps them with the library entry.
    void setFreeTexts(const QStringList &texts);

public slots:
    void on_PrintReportbtn_clicked();
    // Asks for a file and writes the report into it as PDF.
    void on_SavePdfbtn_clicked();
    void on_Informationbtn_clicked();
    // Asks for the meaning and the signer's name and binds them to the entry in its trail.
    void on_Signbtn_clicked();

protected:
    ReportPage(QWidget *parent, Qt::WindowFlags flags);
    // The form's browser, set once the form is set up.
    void setBrowser(QTextBrowser *browser) { m_browser = browser; }
    QTextBrowser *browser() const { return m_browser; }
    // Takes the shared values; `deviceName` gets `mark` after the page's name of the device.
    void copyValues(const ReportValues &values, const QString &mark);
    // The family's dialog for the free texts, owned by the report.
    virtual QDialog *newInformationPage() = 0;

    // The document up to its first table: head, titles and a break.
    static QString htmlOpening(bool chinese, const QDateTime &now);
    static QString testDataCaption();
    // A caption cell of `captionWidth` and the underlined text beside it.
    QString testerCells(int captionWidth) const;
    QString auditorCells(int captionWidth) const;
    // The check lines as paragraphs; empty when there are none.
    QString checkLinesHtml() const;
    // What ends both layouts: the signatures given in the library, each void where what it
    // signed changed since, then the first 12 digits of the hash, if any.
    QString footerHtml() const;

private:
    void applyFreeTexts(const QStringList &texts, bool blankWhenEmpty);

    QTextBrowser *m_browser = nullptr;
    QStringList m_plainTexts{QString(), QString(), QString(), QString()};
    QStringList m_keptTexts;
};
