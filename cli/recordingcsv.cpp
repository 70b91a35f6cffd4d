#include "recordingcsv.h"

#include "recordingrows.h"

#include <QCoreApplication>
#include <QIODevice>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RecordingCsv", text);
}

} // namespace

QString RecordingCsv::field(const QString &text)
{
    static const QString special = QStringLiteral(",\"\r\n");
    bool quote = false;
    for (QChar c : text)
        quote = quote || special.contains(c);
    if (!quote)
        return text;
    QString quoted = text;
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
    QByteArray text = line(headers).toUtf8();
    for (const Recording &r : recordings) {
        const RecordingRows rows(r);
        const QString id = QString::number(r.id);
        for (int k = 0; k < rows.count(); ++k) {
            QStringList fields = rows.row(k);
            if (several)
                fields.prepend(id);
            text += line(fields).toUtf8();
        }
        // Written per recording: a long export never holds more than one in memory twice.
        if (device.write(text) != text.size())
            return fail(device.errorString());
        text.clear();
    }
    return true;
}
