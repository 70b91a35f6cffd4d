#include "xlsxworkbook.h"

#include "zipstream.h"

#include <QSaveFile>

#include <charconv>
#include <cmath>

namespace {

constexpr int kSheetNameMax = 31;
// Sheet XML is handed to the compressor in pieces of about this size.
constexpr qsizetype kFlushBytes = 1 << 16;

const char kSheetHead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";

// XML text of a cell or a name: the five specials escaped, and the characters XML 1.0 cannot
// hold at all (control characters other than tab and line breaks) left out.
QByteArray escaped(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || c == '\n' || c == '\r')
                out += c;
        }
    }
    return out;
}

void appendNumber(QByteArray &out, long long value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr - digits);
}

// The shortest text that reads back as the same double.
void appendNumber(QByteArray &out, double value)
{
    // Whole numbers as integers: "1000000", where the shortest form would be "1e+06".
    if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
        appendNumber(out, static_cast<long long>(value));
        return;
    }
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr - digits);
}

void appendReference(QByteArray &out, int row, int column)
{
    char letters[4];
    int n = 0;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        letters[n++] = char('A' + (c - 1) % 26);
    while (n > 0)
        out += letters[--n];
    appendNumber(out, static_cast<long long>(row) + 1);
}

} // namespace

XlsxWorkbook::XlsxWorkbook() = default;

// Never closed: the save file is dropped, so nobody gets a file they did not ask for.
XlsxWorkbook::~XlsxWorkbook() = default;

bool XlsxWorkbook::open(const QString &fileName)
{
    if (m_file)
        return true;
    if (fileName.isEmpty())
        return false;
    auto file = std::make_unique<QSaveFile>(fileName);
    if (!file->open(QIODevice::WriteOnly))
        return false;
    m_file = std::move(file);
    m_zip = std::make_unique<ZipStream>(m_file.get());
    m_sheets.clear();
    m_failed = false;
    return true;
}

bool XlsxWorkbook::validSheetName(const QString &name)
{
    static const QString forbidden = QStringLiteral("[]:*?/\\");
    if (name.isEmpty() || name.startsWith(QLatin1Char('\'')) || name.endsWith(QLatin1Char('\'')))
        return false;
    // The limit counts characters, so a pair of UTF-16 halves is one.
    if (name.toUcs4().size() > kSheetNameMax)
        return false;
    for (QChar c : name) {
        if (forbidden.contains(c))
            return false;
    }
    return true;
}

bool XlsxWorkbook::addSheet(const QString &name)
{
    if (!m_file || m_failed || !validSheetName(name))
        return false;
    for (const QString &taken : std::as_const(m_sheets)) {
        if (taken.compare(name, Qt::CaseInsensitive) == 0)
            return false;
    }
    if (m_inSheet && !endSheet())
        return false;
    m_sheets << name;
    if (!m_zip->begin(QStringLiteral("xl/worksheets/sheet%1.xml").arg(m_sheets.size()))) {
        fail();
        return false;
    }
    m_inSheet = true;
    m_dataStarted = false;
    m_frozen = false;
    m_columns.clear();
    m_row = -1;
    m_cells.clear();
    m_buffer = kSheetHead;
    return true;
}

bool XlsxWorkbook::setColumnWidth(int first, int last, double width)
{
    if (!m_inSheet || m_dataStarted || first < 0 || last < first || last >= MaxColumns ||
        !std::isfinite(width) || width < 0 || width > 255)
        return false;
    m_columns += "<col min=\"";
    appendNumber(m_columns, static_cast<long long>(first) + 1);
    m_columns += "\" max=\"";
    appendNumber(m_columns, static_cast<long long>(last) + 1);
    m_columns += "\" width=\"";
    // As a spreadsheet counts it: the characters plus the cell's padding.
    appendNumber(m_columns, width + 0.7109375);
    m_columns += "\" customWidth=\"1\"/>";
    return true;
}

bool XlsxWorkbook::freezeHeader()
{
    if (!m_inSheet || m_dataStarted)
        return false;
    m_frozen = true;
    return true;
}

void XlsxWorkbook::startSheetData()
{
    if (m_dataStarted)
        return;
    m_dataStarted = true;
    m_buffer += "<sheetViews><sheetView ";
    if (m_sheets.size() == 1)
        m_buffer += "tabSelected=\"1\" ";
    m_buffer += "workbookViewId=\"0\">";
    if (m_frozen)
        m_buffer += "<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                    "state=\"frozen\"/><selection pane=\"bottomLeft\" activeCell=\"A2\" "
                    "sqref=\"A2\"/>";
    m_buffer += "</sheetView></sheetViews><sheetFormatPr defaultRowHeight=\"15\"/>";
    if (!m_columns.isEmpty())
        m_buffer += "<cols>" + m_columns + "</cols>";
    m_buffer += "<sheetData>";
}

bool XlsxWorkbook::place(int row, int column)
{
    if (!m_inSheet || m_failed || row < 0 || column < 0 || row >= MaxRows || column >= MaxColumns ||
        row < m_row)
        return false;
    if (row != m_row) {
        flushRow();
        m_row = row;
    }
    return true;
}

void XlsxWorkbook::addCell(int column, const char *type, int style, const QByteArray &value)
{
    QByteArray xml = "<c r=\"";
    appendReference(xml, m_row, column);
    xml += '"';
    if (style)
        xml += " s=\"1\"";
    if (type) {
        xml += " t=\"";
        xml += type;
        xml += '"';
    }
    xml += '>';
    xml += value;
    xml += "</c>";
    // A cell written again replaces the one before, as it would in a spreadsheet.
    for (Cell &cell : m_cells) {
        if (cell.column == column) {
            cell.xml = std::move(xml);
            return;
        }
    }
    m_cells.append({column, std::move(xml)});
}

void XlsxWorkbook::flushRow()
{
    if (m_row < 0 || m_cells.isEmpty())
        return;
    startSheetData();
    std::sort(m_cells.begin(), m_cells.end(),
              [](const Cell &a, const Cell &b) { return a.column < b.column; });
    m_buffer += "<row r=\"";
    appendNumber(m_buffer, static_cast<long long>(m_row) + 1);
    m_buffer += "\">";
    for (const Cell &cell : std::as_const(m_cells))
        m_buffer += cell.xml;
    m_buffer += "</row>";
    m_cells.clear();
    if (m_buffer.size() >= kFlushBytes) {
        if (!m_zip->write(m_buffer))
            fail();
        m_buffer.clear();
    }
}

bool XlsxWorkbook::endSheet()
{
    flushRow();
    startSheetData();
    m_buffer += "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" "
                "bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>";
    if (!m_zip->write(m_buffer) || !m_zip->end())
        fail();
    m_buffer.clear();
    m_inSheet = false;
    return !m_failed;
}

bool XlsxWorkbook::writeText(int row, int column, const QString &text)
{
    if (!place(row, column))
        return false;
    if (text.isEmpty())
        return true;
    QByteArray value = "<is><t xml:space=\"preserve\">";
    value += escaped(text);
    value += "</t></is>";
    addCell(column, "inlineStr", 0, value);
    return true;
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
    if (!place(row, column))
        return false;
    if (!std::isfinite(value))
        return true;
    QByteArray text = "<v>";
    appendNumber(text, value);
    text += "</v>";
    addCell(column, nullptr, style == Style::DateTime ? 1 : 0, text);
    return true;
}

bool XlsxWorkbook::writeBool(int row, int column, bool value)
{
    if (!place(row, column))
        return false;
    addCell(column, "b", 0, value ? QByteArrayLiteral("<v>1</v>") : QByteArrayLiteral("<v>0</v>"));
    return true;
}

bool XlsxWorkbook::close()
{
    if (!m_file)
        return false;
    // A workbook needs a sheet to open at all.
    if (m_sheets.isEmpty() && !addSheet(QStringLiteral("Sheet1")))
        fail();
    if (m_inSheet)
        endSheet();

    QByteArray types = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "content-types\"><Default Extension=\"rels\" ContentType=\"application/"
                       "vnd.openxmlformats-package.relationships+xml\"/><Default Extension="
                       "\"xml\" ContentType=\"application/xml\"/><Override PartName=\"/xl/"
                       "workbook.xml\" ContentType=\"application/vnd.openxmlformats-"
                       "officedocument.spreadsheetml.sheet.main+xml\"/><Override PartName=\"/xl/"
                       "styles.xml\" ContentType=\"application/vnd.openxmlformats-"
                       "officedocument.spreadsheetml.styles+xml\"/>";
    QByteArray sheets;
    QByteArray relations =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (int i = 1; i <= m_sheets.size(); ++i) {
        const QByteArray n = QByteArray::number(i);
        types += "<Override PartName=\"/xl/worksheets/sheet" + n +
                 ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument."
                 "spreadsheetml.worksheet+xml\"/>";
        sheets += "<sheet name=\"" + escaped(m_sheets.at(i - 1)) + "\" sheetId=\"" + n +
                  "\" r:id=\"rId" + n + "\"/>";
        relations += "<Relationship Id=\"rId" + n +
                     "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                     "relationships/worksheet\" Target=\"worksheets/sheet" +
                     n + ".xml\"/>";
    }
    const QByteArray stylesId = QByteArray::number(m_sheets.size() + 1);
    relations += "<Relationship Id=\"rId" + stylesId +
                 "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                 "relationships/styles\" Target=\"styles.xml\"/></Relationships>";
    types += "</Types>";
    const QByteArray workbook =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<bookViews><workbookView/></bookViews><sheets>" +
        sheets + "</sheets></workbook>";
    const QByteArray packageRelations =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
        "2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    // Style 1 is the date and time of the TIME columns.
    const QByteArray styles =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd hh:mm:ss\"/>"
        "</numFmts><fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/>"
        "<family val=\"2\"/></font></fonts><fills count=\"2\"><fill><patternFill "
        "patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill>"
        "</fills><borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/>"
        "</border></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" "
        "fillId=\"0\" borderId=\"0\"/></cellStyleXfs><cellXfs count=\"2\"><xf numFmtId=\"0\" "
        "fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/><xf numFmtId=\"164\" "
        "fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
        "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" "
        "builtinId=\"0\"/></cellStyles></styleSheet>";
    const std::pair<const char *, const QByteArray *> parts[] = {
        {"[Content_Types].xml", &types}, {"_rels/.rels", &packageRelations},
        {"xl/workbook.xml", &workbook},  {"xl/_rels/workbook.xml.rels", &relations},
        {"xl/styles.xml", &styles},
    };
    for (const auto &[name, bytes] : parts) {
        if (m_failed)
            break;
        if (!m_zip->begin(QString::fromLatin1(name)) || !m_zip->write(*bytes))
            fail();
    }
    const bool complete = !m_failed && m_zip->finish() && m_file->commit();
    m_zip.reset();
    m_file.reset(); // uncommitted, it leaves nothing behind
    m_sheets.clear();
    m_failed = false;
    return complete;
}
