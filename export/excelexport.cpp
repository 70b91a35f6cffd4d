#include "excelexport.h"

#include "excelengineodbc.h"
#include "samplerows.h"
#include "userprompts.h"
#include "xlsxengine.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSqlDatabase>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QUrl>

#include <filesystem>
#include <system_error>

namespace {

ExcelExport::EngineFactory g_engineFactory;

// The export speaks in the logger page's context; the markers let lupdate find the texts.
namespace Texts {
const char *const information = QT_TRANSLATE_NOOP("FirstPageFor416", "information");
const char *const busy = QT_TRANSLATE_NOOP("FirstPageFor416", "Getting data,please wait...");
const char *const noGroup = QT_TRANSLATE_NOOP("FirstPageFor416", "please get data first!");
const char *const caption = QT_TRANSLATE_NOOP("FirstPageFor416", "Storing data to Excel");
const char *const filter = QT_TRANSLATE_NOOP("FirstPageFor416", "excel file (*.xlsx)");
const char *const replace =
    QT_TRANSLATE_NOOP("FirstPageFor416", "%1 already exists.\nDo you want to replace it?");
const char *const error = QT_TRANSLATE_NOOP("FirstPageFor416", "error");
const char *const noData = QT_TRANSLATE_NOOP("FirstPageFor416", "No data for Storing to Excel!");
const char *const inUse =
    QT_TRANSLATE_NOOP("FirstPageFor416", "Can't overwrite this file, maybe the file is in use!");
const char *const storing = QT_TRANSLATE_NOOP("FirstPageFor416", "Storing data");
const char *const cantOpen =
    QT_TRANSLATE_NOOP("FirstPageFor416", "Storing data failed, Can't open file!");
const char *const progress = QT_TRANSLATE_NOOP("FirstPageFor416", "Storing data,please wait...");
const char *const cancel = QT_TRANSLATE_NOOP("FirstPageFor416", "cancel");
const char *const exportTitle = QT_TRANSLATE_NOOP("FirstPageFor416", "export");
const char *const exportFailed = QT_TRANSLATE_NOOP("FirstPageFor416", "Export data failed!");
} // namespace Texts

QString text(const char *source)
{
    return QCoreApplication::translate("FirstPageFor416", source);
}

void inform(QWidget *page, const char *title, const char *message)
{
    UserPrompts::information(page, text(title), text(message));
}

// Office programs mark a document they have open with a lock file beside it: LibreOffice
// ".~lock.NAME#", Excel "~$NAME", or for a long name "~$" in place of its first two
// characters. The document itself stays writable, so only these files tell.
bool openInOffice(const QFileInfo &info)
{
    const QDir dir = info.absoluteDir();
    const QString name = info.fileName();
    QStringList locks{QLatin1String(".~lock.") + name + QLatin1Char('#'),
                      QLatin1String("~$") + name};
    if (name.size() > 2)
        locks << QLatin1String("~$") + name.mid(2);
    for (const QString &lock : locks) {
        if (QFileInfo::exists(dir.filePath(lock)))
            return true;
    }
    return false;
}

// An existing target must be a plain file we may write that no office program has open
// (on Windows opening also fails for a file another program holds). Nothing is changed by
// the check.
bool replaceable(const QString &target)
{
    const QFileInfo info(target);
    if (!info.exists())
        return true;
    if (!info.isFile() || openInOffice(info))
        return false;
    QFile probe(target);
    return probe.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
}

std::filesystem::path fsPath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Atomic where the system allows: the target is either the old file or the new one.
bool replaceWith(const QString &finished, const QString &target)
{
    std::error_code error;
    std::filesystem::rename(fsPath(finished), fsPath(target), error);
    return !error;
}

std::unique_ptr<ExcelEngine> makeEngine(const QString &fileName)
{
    if (g_engineFactory)
        return g_engineFactory(fileName);
    if (ExcelExport::odbcEngineUsable(fileName))
        return std::make_unique<ExcelEngineODBC>(fileName);
    return std::make_unique<XlsxEngine>(fileName);
}

} // namespace

void ExcelExport::setEngineFactory(EngineFactory factory)
{
    g_engineFactory = std::move(factory);
}

bool ExcelExport::odbcEngineUsable(const QString &fileName)
{
    return QSqlDatabase::isDriverAvailable(QStringLiteral("QODBC")) &&
           ExcelEngineODBC::excelDriverInstalled(fileName);
}

std::unique_ptr<QTableWidget> ExcelExport::sampleTable(const QByteArray &groupData)
{
    const int samples = SampleRows::count(groupData);
    const QStringList headers = SampleRows::headers();
    auto table = std::make_unique<QTableWidget>(samples, int(headers.size()));
    table->setHorizontalHeaderLabels(headers);
    for (int k = 0; k < samples; ++k) {
        const QStringList row = SampleRows::row(groupData, k);
        for (int column = 0; column < row.size(); ++column)
            table->setItem(k, column, new QTableWidgetItem(row.at(column)));
    }
    return table;
}

namespace {

// xlsx content goes only under an .xlsx name. A typed ".xls" asked for an Excel workbook
// and becomes ".xlsx"; any other suffix is part of the name ("run.v2") and stays in it.
QString workbookName(const QString &typed)
{
    const QString xlsx = QStringLiteral("xlsx");
    const QString suffix = QFileInfo(typed).suffix();
    if (suffix.compare(xlsx, Qt::CaseInsensitive) == 0)
        return typed;
    if (suffix.compare(QLatin1String("xls"), Qt::CaseInsensitive) == 0)
        return typed.chopped(suffix.size()) + xlsx;
    return typed.endsWith(QLatin1Char('.')) ? typed + xlsx : typed + QLatin1Char('.') + xlsx;
}

// The save dialog, the name made an .xlsx name; empty when cancelled.
QString askFileName(QWidget *page, const QString &groupNo, const QString &startTime)
{
    const QString proposed = QLatin1String("NO") + groupNo + QLatin1Char('_') + startTime;
    const QString typed =
        UserPrompts::saveFileName(page, text(Texts::caption), proposed, text(Texts::filter));
    if (typed.isEmpty())
        return typed;
    const QString fileName = workbookName(typed);
    if (fileName == typed)
        return fileName;
    // The dialog asked about the typed name, not about this one.
    if (QFileInfo::exists(fileName) &&
        !UserPrompts::question(page, text(Texts::caption),
                               text(Texts::replace).arg(QFileInfo(fileName).fileName())))
        return QString();
    return fileName;
}

// Writes the table into `scratchFile` under a progress dialog; true when there is a complete
// workbook there to keep. Failures are reported here.
bool writeScratch(QWidget *page, QTableWidget *table, const QString &scratchFile)
{
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<ExcelEngine> engine = makeEngine(scratchFile);
    if (!engine || !engine->open()) {
        inform(page, Texts::storing, Texts::cantOpen);
        return false;
    }

    const int rows = table->rowCount();
    QProgressDialog progress(text(Texts::progress), text(Texts::cancel), 0, rows + 1, page);
    progress.setWindowModality(Qt::WindowModal);
    progress.show();

    const bool written = engine->writeTable(table, &progress);
    if (written)
        progress.setValue(rows + 1);
    progress.hide();
    qDebug() << "The slow operation took" << timer.elapsed() << "milliseconds: ";

    if (!written) {
        inform(page, Texts::exportTitle, Texts::exportFailed);
        return false;
    }
    // A cancel before the first row leaves nothing worth replacing the old file with.
    if (engine->rowsWritten() == 0)
        return false;
    if (!engine->close()) {
        inform(page, Texts::exportTitle, Texts::exportFailed);
        return false;
    }
    return true;
}

} // namespace

void ExcelExport::run(QWidget *page, bool busy, const QByteArray &groupData, const QString &groupNo,
                      const QString &startTime)
{
    if (busy) {
        inform(page, Texts::information, Texts::busy);
        return;
    }
    if (groupData.isEmpty()) {
        inform(page, Texts::information, Texts::noGroup);
        return;
    }
    const QString fileName = askFileName(page, groupNo, startTime);
    if (fileName.isEmpty())
        return;

    const std::unique_ptr<QTableWidget> table = sampleTable(groupData);
    if (table->rowCount() == 0) {
        inform(page, Texts::error, Texts::noData);
        return;
    }
    const QFileInfo target(fileName);
    if (!replaceable(fileName)) {
        inform(page, Texts::error, Texts::inUse);
        return;
    }

    // The new workbook is written beside the target and replaces it only when complete,
    // so a failed export leaves the old file as it was.
    QTemporaryDir scratch(target.absoluteDir().filePath(QLatin1Char('.') + target.fileName() +
                                                        QLatin1String("-XXXXXX")));
    if (!scratch.isValid()) {
        if (target.exists())
            inform(page, Texts::error, Texts::inUse);
        else
            inform(page, Texts::storing, Texts::cantOpen);
        return;
    }
    const QString scratchFile = scratch.filePath(target.fileName());
    if (!writeScratch(page, table.get(), scratchFile))
        return;
    if (!replaceWith(scratchFile, fileName)) {
        inform(page, Texts::error, Texts::inUse);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(target.absoluteFilePath()));
}
