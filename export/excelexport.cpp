#include "excelexport.h"

#include "excelengineodbc.h"
#include "exportfolder.h"
#include "recording.h"
#include "recordingcsv.h"
#include "samplerows.h"
#include "savetarget.h"
#include "scratchfile.h"
#include "userprompts.h"
#include "xlsxengine.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSqlDatabase>
#include <QUrl>

namespace {

ExcelExport::EngineFactory g_engineFactory;

// The export speaks in the logger page's context; the markers let lupdate find the texts.
namespace Texts {
const char *const information = QT_TRANSLATE_NOOP("FirstPageFor416", "information");
const char *const busy = QT_TRANSLATE_NOOP("FirstPageFor416", "Getting data,please wait...");
const char *const noGroup = QT_TRANSLATE_NOOP("FirstPageFor416", "please get data first!");
const char *const caption = QT_TRANSLATE_NOOP("FirstPageFor416", "Storing data to Excel");
const char *const filter =
    QT_TRANSLATE_NOOP("FirstPageFor416", "Excel workbook (*.xlsx);;CSV (*.csv)");
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

QString ExcelExport::proposedName(const Recording &recording)
{
    QString name = QLatin1String("NO") + QString::number(recording.group);
    if (recording.startTime.isValid())
        name += QLatin1Char('_') + recording.startTime.toString(QStringLiteral("yyyyMMddHHmmss"));
    return name;
}

namespace {

// Writes the workbook into `scratchFile` under a progress dialog; true when there is a complete
// workbook there to keep. Failures are reported here.
bool writeWorkbook(QWidget *page, const SampleRows &rows, const QString &scratchFile)
{
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<ExcelEngine> engine = makeEngine(scratchFile);
    if (!engine || !engine->open()) {
        inform(page, Texts::storing, Texts::cantOpen);
        return false;
    }

    const int count = rows.count();
    QProgressDialog progress(text(Texts::progress), text(Texts::cancel), 0, count + 1, page);
    progress.setWindowModality(Qt::WindowModal);
    progress.show();

    const bool written = engine->writeRows(rows, &progress);
    if (written)
        progress.setValue(count + 1);
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

bool writeCsv(QWidget *page, const Recording &recording, const QString &scratchFile)
{
    QFile file(scratchFile);
    if (!file.open(QIODevice::WriteOnly)) {
        inform(page, Texts::storing, Texts::cantOpen);
        return false;
    }
    if (!RecordingCsv::write(file, {recording}, nullptr) || !file.flush()) {
        inform(page, Texts::exportTitle, Texts::exportFailed);
        return false;
    }
    file.close();
    return true;
}

} // namespace

QString ExcelExport::run(QWidget *page, bool busy, const Recording &recording)
{
    if (busy) {
        inform(page, Texts::information, Texts::busy);
        return {};
    }
    if (recording.group <= 0 || recording.family != Recording::Family::Logger) {
        inform(page, Texts::information, Texts::noGroup);
        return {};
    }
    const QString fileName = SaveTarget::ask(
        page, text(Texts::caption), ExportFolder::proposed(ExcelExport::proposedName(recording)),
        text(Texts::filter), true);
    if (fileName.isEmpty())
        return {};

    const SampleRows rows(recording);
    if (rows.count() == 0) {
        inform(page, Texts::error, Texts::noData);
        return {};
    }
    const QFileInfo target(fileName);
    if (!SaveTarget::replaceable(fileName)) {
        inform(page, Texts::error, Texts::inUse);
        return {};
    }

    // The new file is written beside the target and replaces it only when complete, so a
    // failed export leaves the old file as it was.
    ScratchFile scratch(fileName);
    if (!scratch.isValid()) {
        if (target.exists())
            inform(page, Texts::error, Texts::inUse);
        else
            inform(page, Texts::storing, Texts::cantOpen);
        return {};
    }
    const bool written = SaveTarget::isCsvName(fileName)
                             ? writeCsv(page, recording, scratch.path())
                             : writeWorkbook(page, rows, scratch.path());
    if (!written)
        return {};
    if (!scratch.commit()) {
        inform(page, Texts::error, Texts::inUse);
        return {};
    }
    ExportFolder::remember(fileName);
    QDesktopServices::openUrl(QUrl::fromLocalFile(target.absoluteFilePath()));
    return fileName;
}
