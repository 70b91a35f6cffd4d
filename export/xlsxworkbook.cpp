#include "xlsxworkbook.h"

#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

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
    m_workbook = workbook_new_opt(nativePath(fileName).constData(), &options);
    return m_workbook != nullptr;
}

bool XlsxWorkbook::addSheet(const QString &name)
{
    if (!m_workbook)
        return false;
    const QByteArray utf8 = name.toUtf8();
    // Checked first: adding a sheet of a bad name would mark the whole workbook as failed.
    if (workbook_validate_sheet_name(m_workbook, utf8.constData()) != LXW_NO_ERROR)
        return false;
    lxw_worksheet *sheet = workbook_add_worksheet(m_workbook, utf8.constData());
    if (!sheet)
        return false;
    m_sheet = sheet;
    return true;
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

bool XlsxWorkbook::close()
{
    if (!m_workbook)
        return false;
    const lxw_error error = workbook_close(m_workbook); // frees the workbook in any case
    m_workbook = nullptr;
    m_sheet = nullptr;
    return error == LXW_NO_ERROR;
}
