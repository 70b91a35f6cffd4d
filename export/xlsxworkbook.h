#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct lxw_format;
struct lxw_workbook;
struct lxw_worksheet;

// An xlsx workbook, without widgets: the logger page's engine, the multi-recording workbook
// and the command line write through it. Rows go to a temporary file beside the workbook as
// they are written, so a long recording costs little memory: within a sheet they must be
// written in order, and a sheet is done once the next one is added. The file itself is
// written by close(); a workbook that is never closed writes nothing.
class XlsxWorkbook
{
public:
    enum class Style { General, DateTime };
    // The most rows a sheet may hold.
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;

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
    // Whether a workbook may hold a sheet of that name (at most 31 characters, none of
    // []:*?/\, not starting or ending with an apostrophe, not empty).
    static bool validSheetName(const QString &name);
    // The width of columns first..last of the current sheet, in characters.
    bool setColumnWidth(int first, int last, double width);
    // Row 0 of the current sheet stays in view while the rest scroll.
    bool freezeHeader();

    // Cells of the current sheet, rows and columns from 0. An empty text and a number that is
    // not finite leave the cell empty.
    bool writeText(int row, int column, const QString &text);
    bool writeRow(int row, const QStringList &texts);
    bool writeNumber(int row, int column, double value, Style style = Style::General);
    bool writeBool(int row, int column, bool value);
    // True when the workbook is complete on disk.
    bool close();

private:
    bool placeable(int row, int column) const;

    lxw_workbook *m_workbook = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    lxw_format *m_dateTime = nullptr; // owned by the workbook
    QByteArray m_tmpDir;              // must outlive the workbook, which keeps the pointer
    QStringList m_sheets;
};
