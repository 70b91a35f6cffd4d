#pragma once

#include "excelengine.h"

#include <QSqlDatabase>

// Writes the table through an Excel ODBC driver, reached by the "QODBC" SQL driver under
// the connection name "excelexport" (an earlier connection of that name is replaced).
class ExcelEngineODBC : public ExcelEngine
{
    Q_OBJECT

public:
    static const char *const kConnectionName;

    explicit ExcelEngineODBC(const QString &fileName, QObject *parent = nullptr);
    ~ExcelEngineODBC() override;

    bool open() override;
    bool writeRows(const SampleRows &rows, QProgressDialog *progress) override;
    bool close() override;

    // The connection string for a workbook, chosen by its suffix ("xlsx", case-sensitive).
    static QString connectionStringFor(const QString &fileName);
    // The ODBC driver that connection string names.
    static QString driverNameFor(const QString &fileName);
    // Whether that driver is registered with the system's ODBC driver manager.
    static bool excelDriverInstalled(const QString &fileName);
    // The ODBC drivers the system lists (the registry on Windows, odbcinst.ini elsewhere).
    static QStringList installedDrivers();

    // The sheet's columns are those of SampleRows; values are bound, never spliced in.
    static QString createStatement();
    static QString insertStatement();

protected:
    // Tests point the engine at another ODBC driver here.
    virtual QString connectionString() const;

private:
    QSqlDatabase m_db;
};
