#include "recordingworkbook.h"

#include "energycheck.h"
#include "processwindow.h"
#include "recordingrows.h"
#include "samplerows.h"
#include "samplesheet.h"
#include "scratchfile.h"
#include "verdict.h"
#include "xlsxworkbook.h"

#include <QSet>

namespace {

enum SummaryColumn {
    Id,
    Family,
    Serial,
    Model,
    Group,
    Start,
    Interval,
    Samples,
    Rec,
    Max,
    Min,
    Avg,
    Dose,
    DoseFlagged,
    VerdictText,
    Rt,
    Energy,
    Duration,
    Unit,
    EnergyFlagged,
    Sheet,
    SummaryColumns
};

constexpr int kMaxSheetName = 31;

QString cut(const QString &name, int length)
{
    const QList<uint> characters = name.toUcs4();
    if (characters.size() <= length)
        return name;
    return QString::fromUcs4(reinterpret_cast<const char32_t *>(characters.constData()), length);
}

QString trimmedQuotes(QString name)
{
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    return name.trimmed();
}

QString validSheetName(const QString &name)
{
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    QString cleaned = name;
    for (QChar &c : cleaned) {
        if (forbidden.contains(c) || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    cleaned = trimmedQuotes(cut(trimmedQuotes(cleaned), kMaxSheetName));
    return cleaned.isEmpty() ? QStringLiteral("_") : cleaned;
}

// A value the instrument sent as a float, as its shortest text reads.
bool writeValue(XlsxWorkbook &book, int row, int column, double value)
{
    return book.writeNumber(row, column, RecordingRows::shortestValue(value));
}

bool writeSummaryRow(XlsxWorkbook &book, int row, const Recording &r, const QString &sheet,
                     const ProcessWindow *window)
{
    using Style = XlsxWorkbook::Style;
    const bool logger = r.family == Recording::Family::Logger;
    double peak = 0, dose = 0;
    bool doseFlagged = false;
    // A meter group's dose is its energy as the instrument sent it, in uJ/cm².
    Recording sent = r;
    sent.energy = RecordingRows::shortestValue(r.energy);
    const bool hasDose = ProcessWindow::peakAndDose(sent, peak, dose, doseFlagged);
    bool ok = book.writeNumber(row, Id, double(r.id)) &&
              book.writeText(row, Family, r.familyName()) &&
              book.writeText(row, Serial, r.serial) &&
              book.writeText(row, Model,
                             r.modelName.isEmpty() ? QString::number(r.modelCode) : r.modelName) &&
              book.writeNumber(row, Group, r.group) && writeValue(book, row, Max, r.powerMax) &&
              writeValue(book, row, Min, r.powerMin) && writeValue(book, row, Avg, r.powerAvg);
    if (logger) {
        ok = ok && book.writeNumber(row, Start, SampleRows(r).excelTime(0), Style::DateTime) &&
             book.writeNumber(row, Interval, r.intervalSeconds) &&
             book.writeNumber(row, Samples, r.sampleCount()) &&
             writeValue(book, row, Rec, r.powerRec);
    } else {
        const EnergyCheck check = EnergyCheck::of(r);
        ok = ok && writeValue(book, row, Rt, r.powerRt) &&
             writeValue(book, row, Energy, r.energy) &&
             writeValue(book, row, Duration, r.duration) && book.writeText(row, Unit, r.unit) &&
             (!check.applicable || book.writeBool(row, EnergyFlagged, check.flagged));
    }
    if (hasDose || logger) {
        ok = ok && book.writeNumber(row, Dose, logger ? r.doseUjCm2 : dose) &&
             book.writeBool(row, DoseFlagged, logger ? r.doseFlagged : doseFlagged);
    }
    if (window)
        ok = ok && book.writeText(row, VerdictText, window->check(r).text());
    return ok && book.writeText(row, Sheet, sheet);
}

} // namespace

QString RecordingWorkbook::summarySheetName()
{
    return tr("Summary");
}

QStringList RecordingWorkbook::summaryHeaders()
{
    QStringList headers(SummaryColumns);
    headers[Id] = tr("ID");
    headers[Family] = tr("Family");
    headers[Serial] = tr("Serial");
    headers[Model] = tr("Model");
    headers[Group] = tr("Group");
    headers[Start] = tr("Start time");
    headers[Interval] = tr("Interval (s)");
    headers[Samples] = tr("Samples");
    headers[Rec] = QStringLiteral("REC");
    headers[Max] = QStringLiteral("MAX");
    headers[Min] = QStringLiteral("MIN");
    headers[Avg] = QStringLiteral("AVG");
    headers[Dose] = tr("Dose (uJ/cm²)");
    headers[DoseFlagged] = tr("Dose flagged");
    headers[VerdictText] = tr("Verdict");
    headers[Rt] = QStringLiteral("RT");
    headers[Energy] = tr("Energy");
    headers[Duration] = tr("Duration (s)");
    headers[Unit] = tr("Unit");
    headers[EnergyFlagged] = tr("Energy check flagged");
    headers[Sheet] = tr("Sheet");
    return headers;
}

QStringList RecordingWorkbook::sheetNames(const QList<Recording> &recordings)
{
    // A workbook tells sheet names apart without case; "History" is taken by the office program.
    QSet<QString> taken{summarySheetName().toCaseFolded(), QStringLiteral("history")};
    QStringList names;
    for (const Recording &r : recordings) {
        if (r.family != Recording::Family::Logger) {
            names << QString();
            continue;
        }
        const QString base = validSheetName(
            r.id > 0 ? QStringLiteral("%1 %2 #%3").arg(r.id).arg(r.serial).arg(r.group)
                     : QStringLiteral("%1 #%2").arg(r.serial).arg(r.group));
        QString name = base;
        for (int n = 2; taken.contains(name.toCaseFolded()); ++n) {
            const QString suffix = QStringLiteral(" (%1)").arg(n);
            name = trimmedQuotes(cut(base, kMaxSheetName - int(suffix.size()))) + suffix;
        }
        taken.insert(name.toCaseFolded());
        names << name;
    }
    return names;
}

bool RecordingWorkbook::write(const QString &fileName, const QList<Recording> &recordings,
                              const ProcessWindow *window, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (recordings.isEmpty())
        return fail(tr("There is nothing to write."));
    ScratchFile scratch(fileName);
    if (!scratch.isValid())
        return fail(scratch.errorString());
    XlsxWorkbook book;
    if (!book.open(scratch.path()))
        return fail(tr("The workbook cannot be made there."));

    qint64 total = recordings.size();
    for (const Recording &r : recordings)
        total += SampleRows(r).count();
    qint64 done = 0;
    bool stopped = false;
    auto goOn = [&](qint64 reached) {
        if (progress)
            progress(reached, total);
        stopped = stopped || (abandoned && abandoned());
        return !stopped;
    };
    const QString cantWrite = tr("The workbook could not be written.");

    const QStringList names = sheetNames(recordings);
    if (!book.addSheet(summarySheetName()))
        return fail(cantWrite);
    book.setColumnWidth(Start, Start, 20);
    book.freezeHeader();
    if (!book.writeRow(0, summaryHeaders()))
        return fail(cantWrite);
    for (int i = 0; i < recordings.size(); ++i) {
        if (!writeSummaryRow(book, i + 1, recordings[i], names[i], window))
            return fail(cantWrite);
    }
    done = recordings.size();
    if (!goOn(done))
        return fail(tr("The export was abandoned."));

    for (int i = 0; i < recordings.size(); ++i) {
        if (names[i].isEmpty())
            continue;
        const SampleRows rows(recordings[i]);
        const auto proceed = [&](int k) { return k == 0 || k % kStep != 0 || goOn(done + k); };
        if (!SampleSheet::write(book, names[i], rows, proceed))
            return fail(cantWrite);
        if (stopped)
            return fail(tr("The export was abandoned."));
        done += rows.count();
        if (!goOn(done))
            return fail(tr("The export was abandoned."));
    }
    if (!book.close())
        return fail(cantWrite);
    QString why;
    if (!scratch.commit(&why))
        return fail(why);
    return true;
}
