#include "xlsxengine.h"

#include <QTableWidget>

namespace {

void writeText(XlsxWorkbook &workbook, int row, int column, const QTableWidgetItem *item)
{
    if (item)
        workbook.writeText(row, column, item->text());
}

} // namespace

XlsxEngine::XlsxEngine(const QString &fileName, QObject *parent) : ExcelEngine(fileName, parent) {}

XlsxEngine::~XlsxEngine() = default;

bool XlsxEngine::open()
{
    return m_workbook.open(fileName());
}

bool XlsxEngine::writeTable(QTableWidget *table, QProgressDialog *progress)
{
    setRowsWritten(0);
    if (!table || !m_workbook.isOpen() || m_sheetAdded || table->rowCount() == 0 ||
        table->columnCount() == 0)
        return false;
    if (!m_workbook.addSheet(QStringLiteral("Sheet1")))
        return false;
    m_sheetAdded = true;

    const int columns = table->columnCount();
    for (int column = 0; column < columns; ++column)
        writeText(m_workbook, 0, column, table->horizontalHeaderItem(column));

    int row = 0;
    for (; row < table->rowCount(); ++row) {
        if (!reportProgress(progress, row))
            break;
        for (int column = 0; column < columns; ++column)
            writeText(m_workbook, row + 1, column, table->item(row, column));
    }
    setRowsWritten(row);
    return true;
}

bool XlsxEngine::close()
{
    m_sheetAdded = false;
    return m_workbook.close();
}
