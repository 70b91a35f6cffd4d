#include "excelexport.h"

#include "excelengineodbc.h"
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
#include <QtEndian>

#include <cstring>
#include <filesystem>
#include <system_error>

namespace
{

ExcelExport::EngineFactory g_engineFactory;

QString text(const char *source)
{
    return QCoreApplication::translate("FirstPageFor416", source);
}

void inform(QWidget *page, const char *title, const char *message)
{
    UserPrompts::information(page, text(title), text(message));
}

float sampleAt(const char *bytes)
{
    quint32 raw;
    std::memcpy(&raw, bytes, sizeof raw);
    raw = qFromLittleEndian(raw);
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

// An existing target must be a plain file we may write (on Windows this also fails for a
// file another program holds open). Nothing is changed by the check.
bool replaceable(const QString &target)
{
    const QFileInfo info(target);
    if (!info.exists())
        return true;
    if (!info.isFile())
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
    constexpr int kHeaderSize = 6;
    constexpr int kSampleSize = 4;
    const int samples =
        groupData.size() > kHeaderSize ? int((groupData.size() - kHeaderSize) / kSampleSize) : 0;

    auto table = std::make_unique<QTableWidget>(samples, 2);
    table->setHorizontalHeaderLabels({QStringLiteral("NUM"), QStringLiteral("VAL")});
    const char *bytes = groupData.constData() + kHeaderSize;
    for (int k = 0; k < samples; ++k, bytes += kSampleSize) {
        table->setItem(k, 0, new QTableWidgetItem(QString::number(k + 1)));
        table->setItem(k, 1, new QTableWidgetItem(QString::number(sampleAt(bytes), 'f', 1)));
    }
    return table;
}

namespace
{

// The save dialog, with ".xlsx" added to a name without a suffix; empty when cancelled.
QString askFileName(QWidget *page, const QString &groupNo, const QString &startTime)
{
    const QString proposed = QLatin1String("NO") + groupNo + QLatin1Char('_') + startTime;
    QString fileName = UserPrompts::saveFileName(page, text("Storing data to Excel"), proposed,
                                                 text("excel file (*.xlsx)"));
    if (fileName.isEmpty() || !QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    fileName += QLatin1String(".xlsx");
    // The dialog asked about the name without the suffix, not about this one.
    if (QFileInfo::exists(fileName) &&
        !UserPrompts::question(page, text("Storing data to Excel"),
                               text("%1 already exists.\nDo you want to replace it?")
                                   .arg(QFileInfo(fileName).fileName())))
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
        inform(page, "Storing data", "Storing data failed, Can't open file!");
        return false;
    }

    const int rows = table->rowCount();
    QProgressDialog progress(text("Storing data,please wait..."), text("cancel"), 0, rows + 1,
                             page);
    progress.setWindowModality(Qt::WindowModal);
    progress.show();

    const bool written = engine->writeTable(table, &progress);
    if (written)
        progress.setValue(rows + 1);
    progress.hide();
    qDebug() << "The slow operation took" << timer.elapsed() << "milliseconds: ";

    if (!written) {
        inform(page, "export", "Export data failed!");
        return false;
    }
    // A cancel before the first row leaves nothing worth replacing the old file with.
    if (engine->rowsWritten() == 0)
        return false;
    if (!engine->close()) {
        inform(page, "export", "Export data failed!");
        return false;
    }
    return true;
}

} // namespace

void ExcelExport::run(QWidget *page, bool busy, const QByteArray &groupData, const QString &groupNo,
                      const QString &startTime)
{
    if (busy) {
        inform(page, "information", "Getting data,please wait...");
        return;
    }
    if (groupData.isEmpty()) {
        inform(page, "information", "please get data first!");
        return;
    }
    const QString fileName = askFileName(page, groupNo, startTime);
    if (fileName.isEmpty())
        return;

    const std::unique_ptr<QTableWidget> table = sampleTable(groupData);
    if (table->rowCount() == 0) {
        inform(page, "error", "No data for Storing to Excel!");
        return;
    }
    const QFileInfo target(fileName);
    if (!replaceable(fileName)) {
        inform(page, "error", "Can't overwrite this file, maybe the file is in use!");
        return;
    }

    // The new workbook is written beside the target and replaces it only when complete,
    // so a failed export leaves the old file as it was.
    QTemporaryDir scratch(target.absoluteDir().filePath(QLatin1Char('.') + target.fileName() +
                                                        QLatin1String("-XXXXXX")));
    if (!scratch.isValid()) {
        if (target.exists())
            inform(page, "error", "Can't overwrite this file, maybe the file is in use!");
        else
            inform(page, "Storing data", "Storing data failed, Can't open file!");
        return;
    }
    const QString scratchFile = scratch.filePath(target.fileName());
    if (!writeScratch(page, table.get(), scratchFile))
        return;
    if (!replaceWith(scratchFile, fileName)) {
        inform(page, "error", "Can't overwrite this file, maybe the file is in use!");
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(target.absoluteFilePath()));
}
