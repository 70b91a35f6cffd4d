#pragma once

#include <QString>

#include <functional>

class SampleRows;
class XlsxWorkbook;

// A logger recording's sheet: the headers of SampleRows in row 1, then one row of numbers per
// sample, TIME as a date-time. The page's workbook, the multi-recording workbook and the
// command line all write it here.
class SampleSheet
{
public:
    // Called before sample k is written; false stops the sheet there (cancelled or abandoned).
    using Proceed = std::function<bool(int k)>;

    // Adds the sheet `name` and writes the rows. False when the sheet cannot be added or a
    // cell cannot be written; a stop asked for by `proceed` is no failure. `written` gets the
    // samples written.
    static bool write(XlsxWorkbook &workbook, const QString &name, const SampleRows &rows,
                      const Proceed &proceed = {}, int *written = nullptr);
};
