#include "excelengineodbc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlQuery>
#include <QTableWidget>

namespace {

const char kXlsxDriver[] = "Microsoft Excel Driver (*.xls, *.xlsx, *.xlsm, *.xlsb)";
const char kXlsDriver[] = "Microsoft Excel Driver (*.xls)";

// Quotes are doubled so that a cell text can neither end its value early nor inject SQL.
QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QLatin1String("''"));
    return escaped;
}

QStringList installedOdbcDrivers()
{
#ifdef Q_OS_WIN
    QSettings registry(
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers"),
        QSettings::NativeFormat);
    return registry.childKeys();
#else
    // unixODBC: the driver sections of odbcinst.ini in ODBCSYSINI (default /etc).
    const QString dir = qEnvironmentVariable("ODBCSYSINI", QStringLiteral("/etc"));
    QFile file(QDir(dir).filePath(QStringLiteral("odbcinst.ini")));
    QStringList drivers;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return drivers;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.size() > 2 && line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']')))
            drivers << line.mid(1, line.size() - 2).trimmed();
    }
    return drivers;
#endif
}

} // namespace

const char *const ExcelEngineODBC::kConnectionName = "excelexport";

ExcelEngineODBC::ExcelEngineODBC(const QString &fileName, QObject *parent)
    : ExcelEngine(fileName, parent)
{
}

ExcelEngineODBC::~ExcelEngineODBC()
{
    close();
}

QString ExcelEngineODBC::driverNameFor(const QString &fileName)
{
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString suffix = dot < 0 ? QString() : fileName.mid(dot + 1);
    return QLatin1String(suffix == QLatin1String("xlsx") ? kXlsxDriver : kXlsDriver);
}

QString ExcelEngineODBC::connectionStringFor(const QString &fileName)
{
    return QStringLiteral("DRIVER={%1};DSN='';FIRSTROWHASNAMES=1;READONLY=TRUE;DBQ=")
               .arg(driverNameFor(fileName)) +
           fileName;
}

bool ExcelEngineODBC::excelDriverInstalled(const QString &fileName)
{
    return installedOdbcDrivers().contains(driverNameFor(fileName));
}

QString ExcelEngineODBC::connectionString() const
{
    return connectionStringFor(fileName());
}

bool ExcelEngineODBC::open()
{
    const QString name = QLatin1String(kConnectionName);
    if (QSqlDatabase::contains(name)) {
        m_db = QSqlDatabase(); // drop our own handle, or the removal warns that it is in use
        QSqlDatabase::removeDatabase(name);
    }
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), name);
    if (!m_db.isValid())
        return false;
    if (m_db.isOpen())
        return true;
    if (fileName().isEmpty())
        return false;
    m_db.setDatabaseName(connectionString());
    return m_db.open();
}

QString ExcelEngineODBC::createStatement(const QTableWidget *table)
{
    QString sql = QStringLiteral("create table Sheet1 (");
    const int last = table->columnCount() - 1;
    for (int column = 0; column < last; ++column) {
        if (const QTableWidgetItem *header = table->horizontalHeaderItem(column))
            sql += header->text() + QLatin1String(" VARCHAR(200), ");
    }
    const QTableWidgetItem *lastHeader = last >= 0 ? table->horizontalHeaderItem(last) : nullptr;
    sql +=
        lastHeader ? lastHeader->text() + QLatin1String(" VARCHAR(200)) ") : QStringLiteral(") ");
    return sql;
}

QString ExcelEngineODBC::insertPrefix(const QTableWidget *table)
{
    QString sql = QStringLiteral("INSERT INTO Sheet1 (");
    const int last = table->columnCount() - 1;
    for (int column = 0; column < last; ++column) {
        if (const QTableWidgetItem *header = table->horizontalHeaderItem(column))
            sql += header->text() + QLatin1String(", ");
    }
    if (const QTableWidgetItem *lastHeader =
            last >= 0 ? table->horizontalHeaderItem(last) : nullptr)
        sql += lastHeader->text();
    return sql + QLatin1String(") VALUES( ");
}

QString ExcelEngineODBC::insertStatement(const QTableWidget *table, const QString &prefix, int row)
{
    QString sql = prefix;
    const int last = table->columnCount() - 1;
    for (int column = 0; column < last; ++column) {
        if (const QTableWidgetItem *cell = table->item(row, column))
            sql += QLatin1Char('\'') + quoted(cell->text()) + QLatin1String("', ");
    }
    const QTableWidgetItem *lastCell = last >= 0 ? table->item(row, last) : nullptr;
    sql += lastCell ? QLatin1Char('\'') + quoted(lastCell->text()) + QLatin1String("') ")
                    : QStringLiteral(")");
    return sql;
}

bool ExcelEngineODBC::writeTable(QTableWidget *table, QProgressDialog *progress)
{
    setRowsWritten(0);
    if (!table || !m_db.isOpen() || table->rowCount() == 0 || table->columnCount() == 0)
        return false;

    // A driver without transactions writes each statement at once; nothing to commit then.
    const bool inTransaction = m_db.transaction();
    QSqlQuery query(m_db);
    if (!query.exec(createStatement(table))) {
        if (inTransaction)
            m_db.rollback();
        close();
        return false;
    }

    const QString prefix = insertPrefix(table);
    int row = 0;
    for (; row < table->rowCount(); ++row) {
        if (!reportProgress(progress, row))
            break;
        query.exec(insertStatement(table, prefix, row)); // a failing row does not stop the rest
    }
    setRowsWritten(row);
    // Reporting success after a failed commit would hide that the rows are gone.
    return !inTransaction || m_db.commit();
}

bool ExcelEngineODBC::close()
{
    if (!m_db.isOpen())
        return false;
    m_db.close();
    return true;
}
