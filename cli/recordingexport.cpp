#include "recordingexport.h"

#include "recordingcsv.h"
#include "recordingjson.h"
#include "recordingrows.h"
#include "xlsxworkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <filesystem>
#include <system_error>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("RecordingExport", text);
}

std::filesystem::path fsPath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

bool RecordingExport::write(const QList<Recording> &recordings, CliOptions::Format format,
                            const QString &fileName, QString *error)
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
    QTemporaryDir scratch(target.absoluteDir().filePath(QLatin1Char('.') + target.fileName() +
                                                        QLatin1String("-XXXXXX")));
    if (!scratch.isValid())
        return fail(scratch.errorString());
    const QString scratchFile = scratch.filePath(target.fileName());
    QString why;
    if (!writeFile(recordings, format, scratchFile, &why))
        return fail(why);
    // Atomic where the system allows: the target is either the old file or the new one.
    std::error_code renamed;
    std::filesystem::rename(fsPath(scratchFile), fsPath(target.absoluteFilePath()), renamed);
    if (renamed)
        return fail(QString::fromLocal8Bit(renamed.message()));
    return true;
}

bool RecordingExport::writeFile(const QList<Recording> &recordings, CliOptions::Format format,
                                const QString &fileName, QString *error)
{
    if (format == CliOptions::Format::Xlsx) {
        if (writeWorkbook(recordings, fileName))
            return true;
        *error = tr("the workbook could not be made.");
        return false;
    }
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
            array.append(RecordingJson::details(r));
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

bool RecordingExport::writeWorkbook(const QList<Recording> &recordings, const QString &fileName)
{
    XlsxWorkbook workbook;
    if (recordings.isEmpty() || !workbook.open(fileName))
        return false;
    for (const Recording &r : recordings) {
        const QString sheet =
            recordings.size() == 1 ? QStringLiteral("Sheet1") : QString::number(r.id);
        if (!workbook.addSheet(sheet))
            return false;
        const RecordingRows rows(r);
        if (!workbook.writeRow(0, rows.headers()))
            return false;
        for (int k = 0; k < rows.count(); ++k) {
            if (!workbook.writeRow(k + 1, rows.row(k)))
                return false;
        }
    }
    return workbook.close();
}
