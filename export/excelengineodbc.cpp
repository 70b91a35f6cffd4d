#include "excelengineodbc.h"

#include "samplerows.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

const char kXlsxDriver[] = "Microsoft Excel Driver (*.xls, *.xlsx, *.xlsm, *.xlsb)";
const char kXlsDriver[] = "Microsoft Excel Driver (*.xls)";

} // namespace

QStringList ExcelEngineODBC::installedDrivers()
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
    return installedDrivers().contains(driverNameFor(fileName));
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

namespace {

// Brackets keep TIME, a word of the driver's SQL, a plain column name.
QString columnList(const QString &type)
{
    QStringList columns;
    const QStringList headers = SampleRows::headers();
    for (int c = 0; c < headers.size(); ++c) {
        QString column = QLatin1Char('[') + headers[c] + QLatin1Char(']');
        if (!type.isEmpty())
            column += QLatin1Char(' ') + (c == SampleRows::Time ? QStringLiteral("DATETIME")
                                                                : QStringLiteral("NUMBER"));
        columns << column;
    }
    return columns.join(QStringLiteral(", "));
}

} // namespace

QString ExcelEngineODBC::createStatement()
{
    return QStringLiteral("CREATE TABLE [Sheet1] (%1)").arg(columnList(QStringLiteral("typed")));
}

QString ExcelEngineODBC::insertStatement()
{
    return QStringLiteral("INSERT INTO [Sheet1] (%1) VALUES (?, ?, ?, ?)").arg(columnList({}));
}

bool ExcelEngineODBC::writeRows(const SampleRows &rows, QProgressDialog *progress)
{
    setRowsWritten(0);
    if (!m_db.isOpen() || rows.count() == 0)
        return false;

    // A driver without transactions writes each statement at once; nothing to commit then.
    const bool inTransaction = m_db.transaction();
    QSqlQuery query(m_db);
    if (!query.exec(createStatement()) || !query.prepare(insertStatement())) {
        if (inTransaction)
            m_db.rollback();
        close();
        return false;
    }

    // An empty cell is a NULL of the column's type.
    const QVariant noNumber{QMetaType::fromType<double>()};
    const QVariant noTime{QMetaType::fromType<QDateTime>()};
    int k = 0;
    for (; k < rows.count(); ++k) {
        if (!reportProgress(progress, k))
            break;
        const double value = rows.value(k);
        const QDateTime time = rows.time(k);
        query.bindValue(0, k + 1);
        query.bindValue(1, std::isfinite(value) ? QVariant(value) : noNumber);
        query.bindValue(2, rows.seconds(k));
        query.bindValue(3, time.isValid() ? QVariant(time) : noTime);
        query.exec(); // a failing row does not stop the rest
    }
    setRowsWritten(k);
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
