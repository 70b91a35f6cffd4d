#pragma once

#include "excelengine.h"
#include "xlsxworkbook.h"

// Writes the table as an xlsx workbook: sheet "Sheet1", the header texts in row 1, every
// value a text cell. The file itself is written by close().
class XlsxEngine : public ExcelEngine
{
    Q_OBJECT

public:
    explicit XlsxEngine(const QString &fileName, QObject *parent = nullptr);
    ~XlsxEngine() override;

    bool open() override;
    bool writeTable(QTableWidget *table, QProgressDialog *progress) override;
    bool close() override;

private:
    XlsxWorkbook m_workbook;
    bool m_sheetAdded = false;
};
