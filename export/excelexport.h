#pragma once

#include <QString>

#include <functional>
#include <memory>

class ExcelEngine;
class QWidget;
class Recording;

// The logger page's and the library window's export of a logger recording: asks for a file,
// writes the samples (NUM, VAL, TIME_S, TIME) into a workbook under a progress dialog, or into
// a CSV file where the name typed ends in .csv, and opens it. Messages are shown on `page`.
class ExcelExport
{
public:
    // A recording of group 0 is none chosen yet.
    // The file written, or empty when none was.
    static QString run(QWidget *page, bool busy, const Recording &recording);

    // The name the save dialog proposes, without folder: NO<group>_<start yyyyMMddHHmmss>.
    static QString proposedName(const Recording &recording);

    // Whether the ODBC engine can write this file here (driver plugin and Excel driver).
    static bool odbcEngineUsable(const QString &fileName);

    // Replaces the engine that run() creates for a workbook (tests); empty restores the default.
    using EngineFactory = std::function<std::unique_ptr<ExcelEngine>(const QString &fileName)>;
    static void setEngineFactory(EngineFactory factory);
};
