#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

class QSaveFile;
class ZipStream;

// An xlsx workbook, without widgets: the logger page's engine, the multi-recording workbook
// and the command line write through it. Rows are compressed into the file as they are
// written, so a long recording costs little memory: within a sheet they must be written in
// order, and a sheet is done once the next one is added. The file appears in its place only
// at close(); a workbook that is never closed writes nothing.
class XlsxWorkbook
{
public:
    enum class Style { General, DateTime };
    // The most rows a sheet may hold.
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;

    XlsxWorkbook();
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook &) = delete;
    XlsxWorkbook &operator=(const XlsxWorkbook &) = delete;

    // False when the file cannot be created there.
    bool open(const QString &fileName);
    bool isOpen() const { return m_file != nullptr; }
    // Adds a sheet, which the cells written next go to; false for a name already taken or
    // one a workbook may not hold.
    bool addSheet(const QString &name);
    // Whether a workbook may hold a sheet of that name (at most 31 characters, none of
    // []:*?/\, not starting or ending with an apostrophe, not empty).
    static bool validSheetName(const QString &name);
    // Before the sheet's first row: the width of columns first..last in characters.
    bool setColumnWidth(int first, int last, double width);
    // Before the sheet's first row: row 0 stays in view while the rest scroll.
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
    struct Cell {
        int column;
        QByteArray xml;
    };
    // Whether a cell may go at row/column now; ends the rows before it.
    bool place(int row, int column);
    void addCell(int column, const char *type, int style, const QByteArray &value);
    void flushRow();
    // Writes the sheet's head once, before its first row or at its end.
    void startSheetData();
    bool endSheet();
    void fail() { m_failed = true; }

    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<ZipStream> m_zip;
    QStringList m_sheets;
    bool m_inSheet = false;
    bool m_dataStarted = false;
    bool m_frozen = false;
    QByteArray m_columns; // the <cols> of the current sheet
    int m_row = -1;       // the row being gathered
    QList<Cell> m_cells;
    QByteArray m_buffer; // sheet XML waiting to be compressed
    bool m_failed = false;
};
