#include "xlsxworkbook.h"

#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

#include <cmath>

namespace {

QByteArray nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path).toUtf8(); // the library widens UTF-8 names itself
#else
    return QFile::encodeName(path);
#endif
}

} // namespace

XlsxWorkbook::~XlsxWorkbook()
{
    // Never closed: discard the workbook rather than write a file nobody asked for.
    if (m_workbook)
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

    m_tmpDir = nativePath(QDir::tempPath());
    lxw_workbook_options options = {};
    options.tmpdir = m_tmpDir.data();
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(nativePath(fileName).constData(), &options);
    if (!m_workbook)
        return false;
    m_dateTime = workbook_add_format(m_workbook);
    if (m_dateTime)
        format_set_num_format(m_dateTime, "yyyy-mm-dd hh:mm:ss");
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
    if (!m_workbook)
        return false;
    const QByteArray utf8 = name.toUtf8();
    // Checked first: adding a sheet of a bad name would mark the whole workbook as failed.
    if (!validSheetName(name) ||
        workbook_validate_sheet_name(m_workbook, utf8.constData()) != LXW_NO_ERROR)
        return false;
    lxw_worksheet *sheet = workbook_add_worksheet(m_workbook, utf8.constData());
    if (!sheet)
        return false;
    m_sheet = sheet;
    return true;
}

bool XlsxWorkbook::setColumnWidth(int first, int last, double width)
{
    if (!m_sheet || first < 0 || last < first)
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

lxw_format *XlsxWorkbook::format(Style style) const
{
    return style == Style::DateTime ? m_dateTime : nullptr;
}

bool XlsxWorkbook::writeText(int row, int column, const QString &text)
{
    if (!m_sheet || row < 0 || column < 0)
        return false;
    if (text.isEmpty())
        return true;
    const QByteArray utf8 = text.toUtf8();
    return worksheet_write_string(m_sheet, static_cast<lxw_row_t>(row),
                                  static_cast<lxw_col_t>(column), utf8.constData(),
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
    if (!m_sheet || row < 0 || column < 0)
        return false;
    if (!std::isfinite(value))
        return true;
    return worksheet_write_number(m_sheet, static_cast<lxw_row_t>(row),
                                  static_cast<lxw_col_t>(column), value,
                                  format(style)) == LXW_NO_ERROR;
}

bool XlsxWorkbook::writeBool(int row, int column, bool value)
{
    if (!m_sheet || row < 0 || column < 0)
        return false;
    return worksheet_write_boolean(m_sheet, static_cast<lxw_row_t>(row),
                                   static_cast<lxw_col_t>(column), value ? 1 : 0,
                                   nullptr) == LXW_NO_ERROR;
}

bool XlsxWorkbook::close()
{
    if (!m_workbook)
        return false;
    const lxw_error error = workbook_close(m_workbook); // frees the workbook in any case
    m_workbook = nullptr;
    m_sheet = nullptr;
    m_dateTime = nullptr;
    return error == LXW_NO_ERROR;
}
