#include "reportpage.h"
#include "calibrationage.h"
#include "energycheck.h"
#include "exportfolder.h"
#include "filechoice.h"
#include "processwindowstore.h"
#include "recordinglibrary.h"
#include "reporthtml.h"
#include "reportsignature.h"
#include "reportvalues.h"
#include "userprompts.h"
#include "verdict.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <cmath>

namespace {

const QString kBlank = QStringLiteral("&nbsp;");

} // namespace

ReportPage::ReportPage(QWidget *parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

ReportPage::~ReportPage() = default;

void ReportPage::initReport()
{
    // The texts kept with the library entry come back; an untouched field stays an
    // underlined blank cell.
    QStringList kept(4);
    Recording entry;
    if (libraryEntry > 0 && library && library->get(libraryEntry, entry))
        kept = {entry.testLight, entry.company, entry.tester, entry.auditor};
    m_keptTexts = kept;
    applyFreeTexts(kept, true);
    // Only an entry of the library can be signed: its trail keeps the signature.
    if (auto *sign = findChild<QPushButton *>(QStringLiteral("Signbtn")))
        sign->setEnabled(libraryEntry > 0 && library && library->isOpen());
    refreshReport();
    int newHeight = height();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        newHeight = screen->availableGeometry().height() - 40;
    resize(700, newHeight);
}

void ReportPage::refreshReport()
{
    const QString html = buildReportHtml();
    m_browser->clear();
    m_browser->setHtml(html);
}

void ReportPage::applyFreeTexts(const QStringList &texts, bool blankWhenEmpty)
{
    QString ReportPage::*const targets[] = {&ReportPage::testLight, &ReportPage::company,
                                            &ReportPage::tester, &ReportPage::auditor};
    for (int i = 0; i < 4; ++i) {
        const QString text = texts.value(i);
        m_plainTexts[i] = text;
        // The report is HTML: what the user types is shown as text, never as markup.
        this->*targets[i] = text.isEmpty() && blankWhenEmpty ? kBlank : text.toHtmlEscaped();
    }
}

void ReportPage::setFreeTexts(const QStringList &texts)
{
    applyFreeTexts(texts, false);
    if (libraryEntry > 0 && library)
        library->setReportTexts(libraryEntry, m_plainTexts[0], m_plainTexts[1], m_plainTexts[2],
                                m_plainTexts[3]);
    refreshReport();
}

QString ReportPage::footerHtml() const
{
    QString html;
    Recording entry;
    if (libraryEntry > 0 && library && library->get(libraryEntry, entry))
        html += ReportSignature::html(library->signatures(entry));
    if (sha256.size() >= 12)
        html += QStringLiteral("<p style=\"font-size:7pt; color:#666666\">SHA-256 %1</p>")
                    .arg(sha256.left(12));
    return html;
}

void ReportPage::on_Signbtn_clicked()
{
    if (libraryEntry <= 0 || !library)
        return;
    const QList<ReportSignature::Meaning> meanings{ReportSignature::Meaning::Reviewed,
                                                   ReportSignature::Meaning::Approved};
    QStringList texts;
    for (ReportSignature::Meaning m : meanings)
        texts << ReportSignature::meaningText(m);
    int chosen = 0;
    ReportSignature signature;
    if (!UserPrompts::signature(this, texts, chosen, signature.name))
        return;
    signature.meaning = meanings.value(chosen);
    signature.verdict = checkLines().value(0);
    if (!library->sign(libraryEntry, signature)) {
        UserPrompts::information(this, QObject::tr("information"), library->lastError());
        return;
    }
    refreshReport();
}

void ReportPage::copyValues(const ReportValues &values, const QString &mark)
{
    libraryEntry = values.libraryEntry;
    library = values.library;
    sha256 = values.sha256;
    deviceName = values.deviceName + mark;
    serialNo = values.serialNo;
    duration = values.duration;
    powerMAX = finiteText(values.powerMAX);
    powerMIN = finiteText(values.powerMIN);
    powerAVG = finiteText(values.powerAVG);
    isChinese = values.isChinese;
}

QString ReportPage::buildReportHtml() const
{
    return buildReportHtml(isChinese, QDateTime::currentDateTime());
}

void ReportPage::printTo(QPrinter *printer)
{
    if (printer)
        m_browser->print(printer);
}

bool ReportPage::savePdf(const QString &fileName)
{
    // The printer fails silently where it cannot write; opening the file first tells.
    {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(fileName);
    printer.setDocName(QFileInfo(fileName).completeBaseName());
    printTo(&printer);
    if (QFileInfo(fileName).size() <= 0)
        return false;
    if (libraryEntry > 0 && library)
        library->recordFile(fileName, QStringLiteral("pdf"), {libraryEntry});
    return true;
}

void ReportPage::on_SavePdfbtn_clicked()
{
    const QString proposed =
        QStringLiteral("Report_") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss")) +
        QStringLiteral(".pdf");
    const QString file =
        FileChoice::save(this, QObject::tr("Save PDF"), proposed,
                         QObject::tr("PDF document (*.pdf)"), {QStringLiteral("pdf")});
    if (file.isEmpty())
        return;
    if (!savePdf(file)) {
        UserPrompts::information(this, QObject::tr("information"),
                                 QObject::tr("The report could not be saved as %1.")
                                     .arg(QDir::toNativeSeparators(file)));
        return;
    }
    ExportFolder::remember(file);
}

QStringList ReportPage::checkLines() const
{
    QStringList lines;
    ProcessWindow window;
    if (ProcessWindowStore::chosen(window))
        lines << QObject::tr("Process window %1: %2")
                     .arg(window.name, window.check(recording).text());
    lines << EnergyCheck::of(recording).note() << CalibrationAge::note(recording.calibrationDate);
    lines.removeAll(QString());
    return lines;
}

QString ReportPage::checkLinesHtml() const
{
    QString html;
    for (const QString &line : checkLines())
        html += QStringLiteral("<p>") + line.toHtmlEscaped() + QStringLiteral("</p>");
    return html;
}

QString ReportPage::finiteText(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && !std::isfinite(value) ? QStringLiteral("\u2014") : text;
}

void ReportPage::on_PrintReportbtn_clicked()
{
    QPrinter printer(QPrinter::ScreenResolution);
    if (!UserPrompts::print(this, &printer))
        return;
    printTo(&printer);
    if (libraryEntry > 0 && library)
        library->record(QLatin1String(AuditEntry::ReportPrinted), printer.printerName(),
                        {{QStringLiteral("sha256"), sha256}}, libraryEntry);
}

void ReportPage::on_Informationbtn_clicked()
{
    // Owned by the report; hidden, not deleted, when closed.
    QDialog *information = newInformationPage();
    information->show();
    information->raise();
    information->activateWindow();
}

QString ReportPage::htmlOpening(bool chinese, const QDateTime &now)
{
    const QString testReport = QObject::tr("Test Report");
    QString html;
    html += QStringLiteral("<html><head><meta http-equiv=Content-Type "
                           "content=\"text/html;charset=gb2312\"><title>");
    html += QStringLiteral("Report_") + now.toString(QStringLiteral("yyyyMMddhhmmss"));
    html += QStringLiteral("</title></head><body>");
    if (chinese) {
        html += ReportHtml::titleParagraph(QStringLiteral("25.0"), QObject::tr("Test Report1"));
        html += ReportHtml::titleParagraph(QStringLiteral("18.0"), testReport);
    } else {
        html += ReportHtml::titleParagraph(QStringLiteral("25.0"), testReport);
    }
    html += QStringLiteral("<br />");
    return html;
}

QString ReportPage::testDataCaption()
{
    return QStringLiteral("<p>") + QObject::tr("Test Data") + QStringLiteral("</p>");
}

QString ReportPage::testerCells(int captionWidth) const
{
    return ReportHtml::plainCell(captionWidth, QObject::tr(" Tester:")) +
           ReportHtml::centredCell(26, tester + QStringLiteral("<hr/>"));
}

QString ReportPage::auditorCells(int captionWidth) const
{
    return ReportHtml::plainCell(captionWidth, QObject::tr(" Auditor:")) +
           ReportHtml::centredCell(25, auditor + QStringLiteral("<hr/>"));
}
