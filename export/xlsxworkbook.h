#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct lxw_workbook;
struct lxw_worksheet;

// An xlsx workbook of text cells, without widgets: the logger page's engine and the command
// line write through it. The file itself is written by close(); a workbook that is never
// closed writes nothing.
class XlsxWorkbook
{
public:
    XlsxWorkbook() = default;
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook &) = delete;
    XlsxWorkbook &operator=(const XlsxWorkbook &) = delete;

    // False when the file cannot be created there.
    bool open(const QString &fileName);
    bool isOpen() const { return m_workbook != nullptr; }
    // Adds a sheet, which the cells written next go to; false for a name already taken or
    // one a workbook may not hold.
    bool addSheet(const QString &name);
    // A text cell of the current sheet, rows and columns from 0; an empty text leaves the
    // cell empty.
    bool writeText(int row, int column, const QString &text);
    bool writeRow(int row, const QStringList &texts);
    // True when the workbook is complete on disk.
    bool close();

private:
    lxw_workbook *m_workbook = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    QByteArray m_tmpDir; // must outlive the workbook, which keeps the pointer
};
