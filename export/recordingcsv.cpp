#include "recordingcsv.h"

#include "recordingrows.h"

#include <QCoreApplication>
#include <QIODevice>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RecordingCsv", text);
}

// Written in pieces of about this size: a long export never holds much in memory.
constexpr qsizetype kChunk = 1 << 16;

} // namespace

QString RecordingCsv::field(const QString &text)
{
    static const QString special = QStringLiteral(",\"\r\n");
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    // A leading quote keeps a spreadsheet from running the text as a formula, and a reader
    // sees it there; a tab would be invisible and lost to any reader that trims.
    const bool formula = !text.isEmpty() && formulaStart.contains(text.front());
    bool quote = formula;
    for (QChar c : text)
        quote = quote || special.contains(c);
    if (!quote)
        return text;
    QString quoted = formula ? QLatin1Char('\'') + text : text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString RecordingCsv::line(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &f : fields)
        quoted << field(f);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

bool RecordingCsv::write(QIODevice &device, const QList<Recording> &recordings, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (recordings.isEmpty())
        return fail(tr("There is nothing to write."));
    for (const Recording &r : recordings) {
        if (r.family != recordings.first().family)
            return fail(tr("Logger recordings and meter groups have different columns; write "
                           "them to separate CSV files."));
    }
    const bool several = recordings.size() > 1;
    QStringList headers = RecordingRows(recordings.first()).headers();
    if (several)
        headers.prepend(QStringLiteral("ID"));
    // The byte-order mark tells a spreadsheet the file is UTF-8, so "µW/cm²" shows as such.
    QByteArray text = "\xEF\xBB\xBF" + line(headers).toUtf8();
    auto flush = [&](qsizetype above) {
        if (text.size() <= above)
            return true;
        if (device.write(text) != text.size())
            return false;
        text.clear();
        return true;
    };
    for (const Recording &r : recordings) {
        const RecordingRows rows(r);
        const QByteArray id = QByteArray::number(r.id) + ',';
        for (int k = 0; k < rows.count(); ++k) {
            if (several)
                text += id;
            // A sample row's fields are numbers and a date, a meter group's numbers and its
            // unit: only the unit is text that may need quoting.
            if (rows.isLogger()) {
                rows.samples().appendRow(text, k, ',');
            } else {
                for (double value : RecordingRows::meterValues(r))
                    text += RecordingRows::shortest(value).toUtf8() + ',';
                text += field(r.unit).toUtf8();
            }
            text += "\r\n";
            if (!flush(kChunk))
                return fail(device.errorString());
        }
    }
    if (!flush(0))
        return fail(device.errorString());
    return true;
}
