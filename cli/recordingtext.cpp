#include "recordingtext.h"

#include "dose.h"
#include "processwindow.h"
#include "recordingrows.h"
#include "verdict.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RecordingText", text);
}

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString downloadText(const Recording &r)
{
    return r.downloadedAt.isValid() ? timeText(r.downloadedAt.toUTC()) + QStringLiteral(" UTC")
                                    : QString();
}

// Logger statistics with the page's one decimal; meter values as the instrument sent them; a
// dash for a value that is no number.
QString statText(const Recording &r, double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("-");
    if (r.family == Recording::Family::Meter)
        return RecordingRows::shortest(value);
    return QString::number(value, 'f', 1);
}

// C0 and C1 controls, DEL, the bidi marks, embeddings, overrides and isolates, and the
// line and paragraph separators.
bool isUnsafe(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QStringList printableAll(QStringList texts)
{
    for (QString &text : texts)
        text = RecordingText::printable(text);
    return texts;
}

QStringList columnsOf(const Recording &r, const ProcessWindow *window)
{
    const bool logger = r.family == Recording::Family::Logger;
    const QString model = r.modelName.isEmpty() ? QString::number(r.modelCode) : r.modelName;
    const QString dose = RecordingText::doseText(r);
    return printableAll(
        {QString::number(r.id), r.familyName(), r.serial, model, QStringLiteral("#%1").arg(r.group),
         logger ? timeText(r.startTime) : tr("downloaded %1").arg(downloadText(r)),
         logger ? (r.sampleCount() == 1 ? tr("1 sample") : tr("%1 samples").arg(r.sampleCount()))
                : r.unit,
         QStringLiteral("%1 %2  MAX %3  MIN %4  AVG %5")
             .arg(logger ? QStringLiteral("REC") : QStringLiteral("RT"),
                  statText(r, logger ? r.powerRec : r.powerRt), statText(r, r.powerMax),
                  statText(r, r.powerMin), statText(r, r.powerAvg)),
         dose.isEmpty() ? QString() : tr("dose %1").arg(dose),
         RecordingText::verdictText(r, window)});
}

} // namespace

QString RecordingText::printable(QString text)
{
    for (QChar &c : text) {
        if (c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
        else if (isUnsafe(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return text;
}

QString RecordingText::doseText(const Recording &r)
{
    double dose = r.doseUjCm2;
    bool flagged = r.doseFlagged;
    double peak = 0;
    // A meter group's energy is its dose, in the unit its power is given in.
    if (r.family == Recording::Family::Meter && !ProcessWindow::peakAndDose(r, peak, dose, flagged))
        return {};
    if (!std::isfinite(dose)) {
        dose = 0;
        flagged = true;
    }
    const QString text = Dose::text(dose);
    return flagged ? tr("%1 (flagged)").arg(text) : text;
}

QString RecordingText::verdictText(const Recording &r, const ProcessWindow *window)
{
    if (!window)
        return {};
    return QStringLiteral("%1: %2").arg(window->name, window->check(r).text());
}

QStringList RecordingText::listLines(const QList<Recording> &recordings,
                                     const ProcessWindow *window)
{
    QList<QStringList> table;
    QList<qsizetype> widths;
    for (const Recording &r : recordings) {
        const QStringList columns = columnsOf(r, window);
        widths.resize(columns.size());
        for (int c = 0; c < columns.size(); ++c)
            widths[c] = std::max(widths[c], columns.at(c).size());
        table << columns;
    }
    QStringList lines;
    for (const QStringList &columns : table) {
        QString line;
        for (int c = 0; c < columns.size(); ++c)
            line +=
                c + 1 < columns.size() ? columns.at(c).leftJustified(widths[c] + 2) : columns.at(c);
        lines << line.trimmed();
    }
    return lines;
}

QString RecordingText::show(const Recording &r, const ProcessWindow *window)
{
    const bool logger = r.family == Recording::Family::Logger;
    QList<std::pair<QString, QString>> fields{
        {tr("Recording"), QString::number(r.id)},
        {tr("Family"), r.familyName()},
        {tr("Serial"), r.serial},
        {tr("Model"), QStringLiteral("%1 (%2)").arg(r.modelName).arg(r.modelCode)},
        {tr("Firmware"), r.firmware},
        {tr("Production date"), r.productionDate.toString(Qt::ISODate)},
        {tr("Calibration date"), r.calibrationDate.toString(Qt::ISODate)},
        {tr("Group"), QString::number(r.group)},
    };
    if (logger) {
        fields.append({tr("Start time"), timeText(r.startTime)});
        fields.append({tr("Interval"), tr("%1 s").arg(r.intervalSeconds)});
        fields.append({tr("Samples"), QString::number(r.sampleCount())});
        fields.append(
            {tr("Statistics"), QStringLiteral("REC %1  MAX %2  MIN %3  AVG %4")
                                   .arg(statText(r, r.powerRec), statText(r, r.powerMax),
                                        statText(r, r.powerMin), statText(r, r.powerAvg))});
    }
    fields.append({tr("Dose"), doseText(r)});
    fields.append({tr("Verdict"), verdictText(r, window)});
    fields.append({tr("Downloaded"), downloadText(r)});
    fields.append({tr("SHA-256"), r.sha256});
    fields.append({tr("Test light"), r.testLight});
    fields.append({tr("Company"), r.company});
    fields.append({tr("Tester"), r.tester});
    fields.append({tr("Auditor"), r.auditor});

    QString text;
    for (const auto &[name, value] : fields) {
        if (!value.isEmpty())
            text += name + QStringLiteral(": ") + printable(value) + QLatin1Char('\n');
    }
    const RecordingRows rows(r);
    text += QLatin1Char('\n') + rows.headers().join(QLatin1Char('\t')) + QLatin1Char('\n');
    if (!rows.isLogger())
        return text + printableAll(rows.row(0)).join(QLatin1Char('\t')) + QLatin1Char('\n');
    QByteArray samples;
    for (int k = 0; k < rows.count(); ++k) {
        rows.samples().appendRow(samples, k, '\t');
        samples += '\n';
    }
    return text + QString::fromLatin1(samples);
}
