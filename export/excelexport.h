#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class ExcelEngine;
class QTableWidget;
class QWidget;

// The logger page's Excel export: asks for a file, writes the group's samples into a
// workbook under a progress dialog and opens it. Messages are shown on `page`.
class ExcelExport
{
public:
    static void run(QWidget *page, bool busy, const QByteArray &groupData, const QString &groupNo,
                    const QString &startTime);

    // The table that is exported: headers NUM and VAL, one row per complete sample of the
    // group (6 start-time bytes, then little-endian floats), values with one decimal.
    static std::unique_ptr<QTableWidget> sampleTable(const QByteArray &groupData);

    // Whether the ODBC engine can write this file here (driver plugin and Excel driver).
    static bool odbcEngineUsable(const QString &fileName);

    // Replaces the engine that run() creates for a file (tests); empty restores the default.
    using EngineFactory = std::function<std::unique_ptr<ExcelEngine>(const QString &fileName)>;
    static void setEngineFactory(EngineFactory factory);
};
