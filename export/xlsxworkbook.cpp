#include "xlsxworkbook.h"

#include "systemfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <xlsxwriter.h>

#include <cmath>
#include <cstdio>

namespace {

// Sheets beyond those of the workbook: the files the rest of the program may hold open.
constexpr int kOtherOpenFiles = 256;

QByteArray nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toUtf8(); // the library widens UTF-8 names itself
#else
    return QFile::encodeName(path);
#endif
}

// A spreadsheet reads "_x0041_" in a text as the character it names. The library writes
// control characters that way but leaves such a text as it is, so its underscore is written
// as "_x005F_" to keep it literal.
QByteArray cellText(const QString &text)
{
    static const QRegularExpression escapeLike(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
    if (!text.contains(QLatin1String("_x")))
        return text.toUtf8();
    return QString(text).replace(escapeLike, QStringLiteral("_x005F_")).toUtf8();
}

} // namespace

XlsxWorkbook::~XlsxWorkbook()
{
    // Never closed: discard the workbook rather than write a file nobody asked for. Freeing
    // it leaves open the files that hold each sheet's rows, a handle per sheet until the
    // program ends (and on Windows a folder that cannot be removed): they are closed here.
    if (!m_workbook)
        return;
    lxw_sheet *sheet = nullptr;
    STAILQ_FOREACH(sheet, m_workbook->sheets, list_pointers)
    {
        lxw_worksheet *rows = sheet->is_chartsheet ? nullptr : sheet->u.worksheet;
        if (rows && rows->optimize_tmpfile) {
            std::fclose(rows->optimize_tmpfile);
            rows->optimize_tmpfile = nullptr;
            rows->file = nullptr;
        }
    }
    lxw_workbook_free(m_workbook);
}

bool XlsxWorkbook::open(const QString &fileName)
{
    if (m_workbook)
        return true;
    if (fileName.isEmpty())
        return false;
    // The library writes only at close; find out now whether the file can be created.
    QFile probe(fileName);
    const bool existed = probe.exists();
    if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    probe.close();
    if (!existed)
        probe.remove();

    // Each sheet's rows wait in a file of their own, on the disk the workbook goes to.
    m_tmpDir = nativePath(QFileInfo(fileName).absolutePath());
    lxw_workbook_options options = {};
    options.tmpdir = m_tmpDir.data();
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(nativePath(fileName).constData(), &options);
    if (!m_workbook)
        return false;
    m_dateTime = workbook_add_format(m_workbook);
    if (m_dateTime)
        format_set_num_format(m_dateTime, "yyyy-mm-dd hh:mm:ss");
    m_sheets.clear();
    return true;
}

bool XlsxWorkbook::validSheetName(const QString &name)
{
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    if (name.isEmpty() || name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return false;
    // The limit counts characters, so a pair of UTF-16 halves is one.
    if (name.toUcs4().size() > LXW_SHEETNAME_MAX)
        return false;
    for (QChar c : name) {
        if (forbidden.contains(c))
            return false;
    }
    return true;
}

bool XlsxWorkbook::addSheet(const QString &name)
{
    if (!m_workbook || !validSheetName(name))
        return false;
    // The library tells names apart without case only in ASCII.
    for (const QString &taken : std::as_const(m_sheets)) {
        if (taken.compare(name, Qt::CaseInsensitive) == 0)
            return false;
    }
    // Checked first: adding a sheet of a bad name would mark the whole workbook as failed.
    const QByteArray utf8 = name.toUtf8();
    if (workbook_validate_sheet_name(m_workbook, utf8.constData()) != LXW_NO_ERROR)
        return false;
    SystemFiles::allowOpenFiles(int(m_sheets.size()) + 1 + kOtherOpenFiles);
    lxw_worksheet *sheet = workbook_add_worksheet(m_workbook, utf8.constData());
    if (!sheet)
        return false;
    m_sheet = sheet;
    m_sheets << name;
    return true;
}

bool XlsxWorkbook::setColumnWidth(int first, int last, double width)
{
    if (!m_sheet || first < 0 || last < first || last >= MaxColumns || !std::isfinite(width) ||
        width < 0 || width > 255)
        return false;
    return worksheet_set_column(m_sheet, static_cast<lxw_col_t>(first),
                                static_cast<lxw_col_t>(last), width, nullptr) == LXW_NO_ERROR;
}

bool XlsxWorkbook::freezeHeader()
{
    if (!m_sheet)
        return false;
    worksheet_freeze_panes(m_sheet, 1, 0);
    return true;
}

bool XlsxWorkbook::placeable(int row, int column) const
{
    return m_sheet && row >= 0 && column >= 0 && row < MaxRows && column < MaxColumns;
}

// The library refuses a row before the one it is writing: those calls fail here.
bool XlsxWorkbook::writeText(int row, int column, const QString &text)
{
    if (!placeable(row, column))
        return false;
    if (text.isEmpty())
        return true;
    return worksheet_write_string(m_sheet, static_cast<lxw_row_t>(row),
                                  static_cast<lxw_col_t>(column), cellText(text).constData(),
                                  nullptr) == LXW_NO_ERROR;
}

bool XlsxWorkbook::writeRow(int row, const QStringList &texts)
{
    for (int column = 0; column < texts.size(); ++column) {
        if (!writeText(row, column, texts.at(column)))
            return false;
    }
    return true;
}

bool XlsxWorkbook::writeNumber(int row, int column, double value, Style style)
{
    if (!placeable(row, column))
        return false;
    if (!std::isfinite(value))
        return true;
    return worksheet_write_number(m_sheet, static_cast<lxw_row_t>(row),
                                  static_cast<lxw_col_t>(column), value,
                                  style == Style::DateTime ? m_dateTime : nullptr) == LXW_NO_ERROR;
}

bool XlsxWorkbook::writeBool(int row, int column, bool value)
{
    if (!placeable(row, column))
        return false;
    return worksheet_write_boolean(m_sheet, static_cast<lxw_row_t>(row),
                                   static_cast<lxw_col_t>(column), value ? 1 : 0,
                                   nullptr) == LXW_NO_ERROR;
}

bool XlsxWorkbook::close()
{
    if (!m_workbook)
        return false;
    // A workbook needs a sheet to open at all.
    if (m_sheets.isEmpty())
        addSheet(QStringLiteral("Sheet1"));
    const lxw_error error = workbook_close(m_workbook); // frees the workbook in any case
    m_workbook = nullptr;
    m_sheet = nullptr;
    m_dateTime = nullptr;
    m_sheets.clear();
    return error == LXW_NO_ERROR;
}
