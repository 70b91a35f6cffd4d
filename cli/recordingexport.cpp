#include "recordingexport.h"

#include "recordingcsv.h"
#include "recordingjson.h"
#include "recordingrows.h"
#include "recordingworkbook.h"
#include "samplesheet.h"
#include "scratchfile.h"
#include "xlsxworkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RecordingExport", text);
}

// A meter group in "Sheet1": its headers, then its values as numbers and its unit.
bool writeMeterSheet(XlsxWorkbook &workbook, const Recording &r)
{
    const RecordingRows rows(r);
    if (!workbook.addSheet(QStringLiteral("Sheet1")) || !workbook.writeRow(0, rows.headers()))
        return false;
    const QList<double> values = RecordingRows::meterValues(r);
    for (int c = 0; c < values.size(); ++c) {
        if (!workbook.writeNumber(1, c, RecordingRows::shortestValue(values[c])))
            return false;
    }
    return workbook.writeText(1, int(values.size()), r.unit);
}

} // namespace

bool RecordingExport::write(const QList<Recording> &recordings, CliOptions::Format format,
                            const QString &fileName, const ProcessWindow *window, QString *error)
{
    const QFileInfo target(fileName);
    const QString shown = QDir::toNativeSeparators(fileName);
    auto fail = [&](const QString &why) {
        if (error)
            *error = tr("%1 cannot be written: %2").arg(shown, why);
        return false;
    };
    if (target.exists() && !target.isFile())
        return fail(tr("it is not a file."));
    if (!target.absoluteDir().exists())
        return fail(tr("the folder %1 does not exist.")
                        .arg(QDir::toNativeSeparators(target.absolutePath())));
    ScratchFile scratch(fileName);
    if (!scratch.isValid())
        return fail(scratch.errorString());
    QString why;
    if (!writeFile(recordings, format, scratch.path(), window, &why) || !scratch.commit(&why))
        return fail(why);
    return true;
}

bool RecordingExport::writeFile(const QList<Recording> &recordings, CliOptions::Format format,
                                const QString &fileName, const ProcessWindow *window,
                                QString *error)
{
    if (format == CliOptions::Format::Xlsx)
        return writeWorkbook(recordings, fileName, window, error);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (format == CliOptions::Format::Csv) {
        if (!RecordingCsv::write(file, recordings, error))
            return false;
    } else {
        QJsonArray array;
        for (const Recording &r : recordings)
            array.append(RecordingJson::details(r, window));
        const QByteArray json = QJsonDocument(array).toJson(QJsonDocument::Indented);
        if (file.write(json) != json.size()) {
            *error = file.errorString();
            return false;
        }
    }
    if (!file.flush()) {
        *error = file.errorString();
        return false;
    }
    file.close();
    return true;
}

bool RecordingExport::writeWorkbook(const QList<Recording> &recordings, const QString &fileName,
                                    const ProcessWindow *window, QString *error)
{
    if (recordings.size() > 1)
        return RecordingWorkbook().write(fileName, recordings, window, error);
    XlsxWorkbook workbook;
    bool written = !recordings.isEmpty() && workbook.open(fileName);
    if (written) {
        const Recording &r = recordings.first();
        written = r.family == Recording::Family::Logger
                      ? SampleSheet::write(workbook, QStringLiteral("Sheet1"), SampleRows(r))
                      : writeMeterSheet(workbook, r);
    }
    if (written && workbook.close())
        return true;
    *error = tr("the workbook could not be made.");
    return false;
}
