#include "samplesheet.h"

#include "samplerows.h"
#include "xlsxworkbook.h"

bool SampleSheet::write(XlsxWorkbook &workbook, const QString &name, const SampleRows &rows,
                        const Proceed &proceed, int *written)
{
    if (written)
        *written = 0;
    if (!workbook.addSheet(name))
        return false;
    // Wide enough for the date and time, which would show as #### otherwise.
    workbook.setColumnWidth(SampleRows::Time, SampleRows::Time, 20);
    workbook.freezeHeader();
    if (!workbook.writeRow(0, SampleRows::headers()))
        return false;
    using Style = XlsxWorkbook::Style;
    int k = 0;
    for (; k < rows.count(); ++k) {
        if (proceed && !proceed(k))
            break;
        const int row = k + 1;
        if (!workbook.writeNumber(row, SampleRows::Num, k + 1) ||
            !workbook.writeNumber(row, SampleRows::Val, rows.value(k)) ||
            !workbook.writeNumber(row, SampleRows::TimeS, rows.seconds(k)) ||
            !workbook.writeNumber(row, SampleRows::Time, rows.excelTime(k), Style::DateTime)) {
            if (written)
                *written = k;
            return false;
        }
    }
    if (written)
        *written = k;
    return true;
}
