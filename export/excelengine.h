#pragma once

#include <QObject>
#include <QString>

class QProgressDialog;
class SampleRows;

// Writes a logger recording's rows into the first sheet ("Sheet1") of a workbook.
// One engine serves one export: construct, open, writeRows, close, destroy.
class ExcelEngine : public QObject
{
    Q_OBJECT

public:
    explicit ExcelEngine(const QString &fileName, QObject *parent = nullptr);

    QString fileName() const { return m_fileName; }

    virtual bool open() = 0;
    // The headers of SampleRows become the column names, the cells numbers and date-times.
    // The dialog, when given, shows the row reached and is checked for a cancel between rows;
    // a cancel keeps the rows written so far and still counts as success. False for no rows.
    virtual bool writeRows(const SampleRows &rows, QProgressDialog *progress) = 0;
    // True when the workbook is complete on disk afterwards.
    virtual bool close() = 0;

    // Rows handled by the last writeRows (fewer than all after a cancel).
    int rowsWritten() const { return m_rowsWritten; }

    // Progress is drawn (and events let through) once per this many rows.
    static constexpr int kProgressStep = 256;

protected:
    // Called before row `row`; false when the user has cancelled.
    static bool reportProgress(QProgressDialog *progress, int row);
    void setRowsWritten(int rows) { m_rowsWritten = rows; }

private:
    const QString m_fileName;
    int m_rowsWritten = 0;
};
