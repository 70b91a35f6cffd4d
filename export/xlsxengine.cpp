#include "xlsxengine.h"

#include "samplerows.h"
#include "samplesheet.h"

XlsxEngine::XlsxEngine(const QString &fileName, QObject *parent) : ExcelEngine(fileName, parent) {}

XlsxEngine::~XlsxEngine() = default;

bool XlsxEngine::open()
{
    return m_workbook.open(fileName());
}

bool XlsxEngine::writeRows(const SampleRows &rows, QProgressDialog *progress)
{
    setRowsWritten(0);
    if (!m_workbook.isOpen() || m_sheetAdded || rows.count() == 0)
        return false;
    m_sheetAdded = true;
    int written = 0;
    const bool ok = SampleSheet::write(
        m_workbook, QStringLiteral("Sheet1"), rows,
        [progress](int k) { return reportProgress(progress, k); }, &written);
    setRowsWritten(written);
    return ok;
}

bool XlsxEngine::close()
{
    m_sheetAdded = false;
    return m_workbook.close();
}
