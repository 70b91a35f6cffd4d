#pragma once

#include "excelengine.h"

struct lxw_workbook;
struct lxw_worksheet;

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
    lxw_workbook *m_workbook = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    QByteArray m_tmpDir; // must outlive the workbook, which keeps the pointer
};
