#pragma once

#include "excelengine.h"
#include "xlsxworkbook.h"

// Writes the rows as an xlsx workbook: sheet "Sheet1" as SampleSheet makes it. The file
// itself is written by close().
class XlsxEngine : public ExcelEngine
{
    Q_OBJECT

public:
    explicit XlsxEngine(const QString &fileName, QObject *parent = nullptr);
    ~XlsxEngine() override;

    bool open() override;
    bool writeRows(const SampleRows &rows, QProgressDialog *progress) override;
    bool close() override;

private:
    XlsxWorkbook m_workbook;
    bool m_sheetAdded = false;
};
