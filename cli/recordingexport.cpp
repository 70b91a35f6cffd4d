#include "recordingexport.h"

#include "cliarguments.h"
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
#include <QTemporaryDir>

#include <cstdio>

#ifndef Q_OS_WIN
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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

#ifdef Q_OS_WIN
// The file a name stands for: itself made canonical, or its folder and its own name.
QString resolvedName(const QString &name)
{
    const QFileInfo info(name);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + info.fileName();
}

// Names there are case-insensitive, and a file has no inode.
bool sameFile(const QString &a, const QString &b)
{
    const QString name = resolvedName(a);
    return !name.isEmpty() && name.compare(resolvedName(b), Qt::CaseInsensitive) == 0;
}
#else
// The file a name stands for, links followed (a bounded number: a loop of them ends): its
// folder made canonical and its own name; empty where the folder is not there.
QByteArray resolvedName(QByteArray name)
{
    for (int hops = 0; hops < 32; ++hops) {
        char link[PATH_MAX];
        const ssize_t length = readlink(name.constData(), link, sizeof link);
        if (length <= 0 || length >= ssize_t(sizeof link))
            break;
        const QByteArray target(link, length);
        const qsizetype slash = name.lastIndexOf('/');
        name = target.startsWith('/') || slash < 0 ? target : name.left(slash + 1) + target;
    }
    const qsizetype slash = name.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? "/" : name.left(slash);
    char *real = realpath(folder.constData(), nullptr);
    if (!real)
        return {};
    const QByteArray resolved = QByteArray(real) + '/' + name.mid(slash + 1);
    free(real);
    return resolved;
}

bool sameFile(const QString &a, const QString &b)
{
    const QByteArray nameA = CliArguments::encode(a);
    const QByteArray nameB = CliArguments::encode(b);
    struct stat statA {
    };
    struct stat statB {
    };
    if (stat(nameA.constData(), &statA) == 0 && stat(nameB.constData(), &statB) == 0)
        return statA.st_dev == statB.st_dev && statA.st_ino == statB.st_ino;
    const QByteArray resolved = resolvedName(nameA);
    return !resolved.isEmpty() && resolved == resolvedName(nameB);
}
#endif

} // namespace

bool RecordingExport::isLibraryFile(const QString &output, const QString &library)
{
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
        if (sameFile(output, library + QLatin1String(suffix)))
            return true;
    }
    return false;
}

bool RecordingExport::write(const QList<Recording> &recordings, CliOptions::Format format,
                            const QString &fileName, const ProcessWindow *window, QString *error)
{
    if (fileName == QLatin1String("-"))
        return writeStandardOutput(recordings, format, window, error);
    if (CliArguments::holdsRawBytes(fileName))
        return writeRawName(recordings, format, fileName, window, error);
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
    QString why;
    return writeReplacing(recordings, format, fileName, window, &why) || fail(why);
}

bool RecordingExport::writeReplacing(const QList<Recording> &recordings, CliOptions::Format format,
                                     const QString &fileName, const ProcessWindow *window,
                                     QString *error)
{
    ScratchFile scratch(fileName);
    if (!scratch.isValid()) {
        *error = scratch.errorString();
        return false;
    }
    return writeFile(recordings, format, scratch.path(), window, error) && scratch.commit(error);
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
    if (!writeText(recordings, format, file, window, error))
        return false;
    if (!file.flush()) {
        *error = file.errorString();
        return false;
    }
    file.close();
    return true;
}

bool RecordingExport::writeText(const QList<Recording> &recordings, CliOptions::Format format,
                                QIODevice &device, const ProcessWindow *window, QString *error)
{
    if (format == CliOptions::Format::Csv)
        return RecordingCsv::write(device, recordings, error);
    QJsonArray array;
    for (const Recording &r : recordings)
        array.append(RecordingJson::details(r, window));
    const QByteArray json = QJsonDocument(array).toJson(QJsonDocument::Indented);
    if (device.write(json) == json.size())
        return true;
    *error = device.errorString();
    return false;
}

bool RecordingExport::writeStandardOutput(const QList<Recording> &recordings,
                                          CliOptions::Format format, const ProcessWindow *window,
                                          QString *error)
{
    QFile out;
    QString why;
    bool written = out.open(fileno(stdout), QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    if (written && format == CliOptions::Format::Xlsx) {
        // The writer needs a file to seek in; the finished workbook is copied out.
        QTemporaryDir scratch;
        const QString book = scratch.filePath(QStringLiteral("export.xlsx"));
        QFile file(book);
        written = scratch.isValid() && writeWorkbook(recordings, book, window, &why) &&
                  file.open(QIODevice::ReadOnly);
        const QByteArray bytes = written ? file.readAll() : QByteArray();
        written = written && out.write(bytes) == bytes.size();
    } else if (written) {
        written = writeText(recordings, format, out, window, &why);
    }
    if (written && out.flush())
        return true;
    if (error)
        *error = tr("The standard output cannot be written: %1")
                     .arg(why.isEmpty() ? out.errorString() : why);
    return false;
}

#ifdef Q_OS_WIN
bool RecordingExport::writeRawName(const QList<Recording> &, CliOptions::Format, const QString &,
                                   const ProcessWindow *, QString *)
{
    return false; // names there are UTF-16: none holds raw bytes
}
#else
bool RecordingExport::writeRawName(const QList<Recording> &recordings, CliOptions::Format format,
                                   const QString &fileName, const ProcessWindow *window,
                                   QString *error)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    auto fail = [&](const QString &why) {
        if (error)
            *error = tr("%1 cannot be written: %2").arg(shown, why);
        return false;
    };
    QByteArray target = CliArguments::encode(fileName);
    // A link is followed, as for any other name: the file it leads to is replaced.
    if (char *real = realpath(target.constData(), nullptr)) {
        target = real;
        free(real);
    }
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : target.left(slash);
    const QByteArray name = target.mid(slash + 1);
    const int dir = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return fail(tr("the folder %1 does not exist.").arg(CliArguments::decode(folder)));
    struct stat old {
    };
    const bool exists = fstatat(dir, name.constData(), &old, 0) == 0;
    QString why;
    // The folder reached through its descriptor, and a stand-in name Qt can hold.
    const QByteArray standIn =
        ".solvane-export-" + QByteArray::number(QCoreApplication::applicationPid());
    bool written = !exists || S_ISREG(old.st_mode);
    if (!written)
        why = tr("it is not a file.");
    else
        written = writeReplacing(
            recordings, format,
            QStringLiteral("/proc/self/fd/%1/").arg(dir) + QLatin1String(standIn), window, &why);
    if (written && exists)
        fchmodat(dir, standIn.constData(), old.st_mode & 07777, 0);
    if (written && renameat(dir, standIn.constData(), dir, name.constData()) != 0) {
        why = QString::fromLocal8Bit(strerror(errno));
        unlinkat(dir, standIn.constData(), 0);
        written = false;
    }
    close(dir);
    return written || fail(why);
}
#endif

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
