#include "xlsxengine.h"

#include <QDir>
#include <QFile>
#include <QTableWidget>

#include <xlsxwriter.h>

namespace {

QByteArray nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toUtf8(); // the library widens UTF-8 names itself
#else
    return QFile::encodeName(path);
#endif
}

void writeText(lxw_worksheet *sheet, int row, int column, const QTableWidgetItem *item)
{
    if (!item)
        return;
    const QByteArray text = item->text().toUtf8();
    worksheet_write_string(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                           text.constData(), nullptr);
}

} // namespace

XlsxEngine::XlsxEngine(const QString &fileName, QObject *parent) : ExcelEngine(fileName, parent) {}

XlsxEngine::~XlsxEngine()
{
    // Never closed: discard the workbook rather than write a file nobody asked for.
    if (m_workbook)
        lxw_workbook_free(m_workbook);
}

bool XlsxEngine::open()
{
    if (m_workbook)
        return true;
    if (fileName().isEmpty())
        return false;
    // The library writes only at close; find out now whether the file can be created.
    QFile probe(fileName());
    const bool existed = probe.exists();
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    probe.close();
    if (!existed)
        probe.remove();

    m_tmpDir = nativePath(QDir::tempPath());
    lxw_workbook_options options = {};
    options.tmpdir = m_tmpDir.data();
    m_workbook = workbook_new_opt(nativePath(fileName()).constData(), &options);
    return m_workbook != nullptr;
}

bool XlsxEngine::writeTable(QTableWidget *table, QProgressDialog *progress)
{
    setRowsWritten(0);
    if (!table || !m_workbook || m_sheet || table->rowCount() == 0 || table->columnCount() == 0)
        return false;
    lxw_worksheet *sheet = workbook_add_worksheet(m_workbook, "Sheet1");
    if (!sheet)
        return false;
    m_sheet = sheet;

    const int columns = table->columnCount();
    for (int column = 0; column < columns; ++column)
        writeText(sheet, 0, column, table->horizontalHeaderItem(column));

    int row = 0;
    for (; row < table->rowCount(); ++row) {
        if (!reportProgress(progress, row))
            break;
        for (int column = 0; column < columns; ++column)
            writeText(sheet, row + 1, column, table->item(row, column));
    }
    setRowsWritten(row);
    return true;
}

bool XlsxEngine::close()
{
    if (!m_workbook)
        return false;
    const lxw_error error = workbook_close(m_workbook); // frees the workbook in any case
    m_workbook = nullptr;
    m_sheet = nullptr;
    return error == LXW_NO_ERROR;
}
