#include "testdatabases.h"
#include "hostprocess.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// The cluster's folder, empty when the run started none. The first look also points libpq
// at the cluster's password file, unless the caller chose one.
QString clusterDir()
{
    const QString dir = qEnvironmentVariable("SOLVANE_TEST_PG_DIR");
    if (!dir.isEmpty() && !qEnvironmentVariableIsSet("PGPASSFILE"))
        qputenv("PGPASSFILE", QFile::encodeName(QDir(dir).filePath(QStringLiteral("pgpass"))));
    return dir;
}

} // namespace

QStringList TestDatabases::locations(const QString &sqliteFile, QString *error)
{
    QString problem;
    QString uri;
    const QString dir = clusterDir();
    if (dir.isEmpty()) {
        if (qEnvironmentVariable("SOLVANE_REQUIRE_PG") == QLatin1String("1"))
            problem = QStringLiteral("SOLVANE_REQUIRE_PG=1 but SOLVANE_TEST_PG_DIR is not set: "
                                     "no PostgreSQL server was started for this run");
        else
            qWarning("PostgreSQL was not started (SOLVANE_TEST_PG_DIR is not set): "
                     "running against SQLite only");
    } else {
        QFile file(QDir(dir).filePath(QStringLiteral("uri")));
        if (file.open(QIODevice::ReadOnly))
            uri = QString::fromUtf8(file.readAll()).trimmed();
        if (uri.isEmpty())
            problem = QStringLiteral("no PostgreSQL server in %1 (%2 missing or empty; did "
                                     "scripts/pgtest.sh start %1 succeed?)")
                          .arg(dir, file.fileName());
    }
    if (!problem.isEmpty()) {
        if (!error)
            qFatal("%s", qPrintable(problem));
        *error = problem;
        return {};
    }
    if (error)
        error->clear();
    QStringList list{sqliteFile};
    if (!uri.isEmpty())
        list.append(uri);
    return list;
}

bool TestDatabases::isPostgres(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://")) ||
           location.startsWith(QLatin1String("postgres://"));
}

QSqlDatabase TestDatabases::addPostgres(const QString &uri, const QString &connectionName,
                                        QString *error)
{
    // QUrl refuses a host that is a percent-encoded path, which is how libpq's URIs name a
    // socket folder, so the parts are taken apart here and only decoded by QUrl.
    static const QRegularExpression form(
        QStringLiteral("^postgres(?:ql)?://(?:([^@/?#]*)@)?([^:/?#]*)(?::(\\d{1,5}))?/([^/?#]+)$"));
    const QRegularExpressionMatch match = form.match(uri);
    QString problem;
    if (!match.hasMatch())
        problem = QStringLiteral("not a postgresql://user@host:port/database URI: %1").arg(uri);
    else if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        problem = QStringLiteral("no QPSQL driver (libqt6sql6-psql)");
    if (error)
        *error = problem;
    if (!problem.isEmpty())
        return {};

    const auto decoded = [&](int part) {
        return QUrl::fromPercentEncoding(match.captured(part).toUtf8());
    };
    clusterDir();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setUserName(decoded(1));
    db.setHostName(decoded(2));
    if (match.hasCaptured(3))
        db.setPort(match.captured(3).toInt());
    db.setDatabaseName(decoded(4));
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    return db;
}

bool TestDatabases::resetPostgres(const QString &uri, QString *error)
{
    const QString name = QStringLiteral("TestDatabases::resetPostgres");
    QString problem;
    {
        QSqlDatabase db = addPostgres(uri, name, &problem);
        if (db.isValid() && !db.open())
            problem = db.lastError().text();
        if (problem.isEmpty()) {
            QSqlQuery query(db);
            if (!db.transaction())
                problem = db.lastError().text();
            // A connection the test left open must not keep the reset waiting for ever.
            QStringList statements{u"SET LOCAL lock_timeout = '20s'"_s,
                                   u"SET LOCAL client_min_messages = warning"_s};
            // Schemas a test made (the role's own) go too.
            if (problem.isEmpty() &&
                query.exec(u"SELECT nspname FROM pg_namespace WHERE nspowner = "
                           "(SELECT oid FROM pg_roles WHERE rolname = current_user)"_s)) {
                while (query.next())
                    statements << u"DROP SCHEMA IF EXISTS %1 CASCADE"_s.arg(
                        db.driver()->escapeIdentifier(query.value(0).toString(),
                                                      QSqlDriver::TableName));
            }
            statements << u"DROP SCHEMA IF EXISTS public CASCADE"_s << u"CREATE SCHEMA public"_s;
            for (const QString &statement : std::as_const(statements)) {
                if (problem.isEmpty() && !query.exec(statement))
                    problem = query.lastError().text();
            }
            if (!problem.isEmpty())
                db.rollback();
            else if (!db.commit())
                problem = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (error)
        *error = problem;
    return problem.isEmpty();
}

bool TestDatabases::stopServer(QString *error)
{
    return runScript(QStringLiteral("pause"), error);
}

bool TestDatabases::startServer(QString *error)
{
    return runScript(QStringLiteral("resume"), error);
}

bool TestDatabases::runScript(const QString &command, QString *error)
{
    QString problem;
    const QString dir = clusterDir();
    if (dir.isEmpty()) {
        problem = QStringLiteral("no PostgreSQL server to %1: SOLVANE_TEST_PG_DIR is not set")
                      .arg(command);
    } else {
        // pg_ctl waits at most 30 s, once more if a fast stop hangs.
        const HostProcess::Result script =
            HostProcess::run(QStringLiteral("pgtest"), {command, dir}, 90000);
        if (!script.ran)
            problem = QStringLiteral("pgtest.sh %1 did not end").arg(command);
        else if (script.exitCode != 0)
            problem = QStringLiteral("pgtest.sh %1 failed: %2")
                          .arg(command, QString::fromLocal8Bit(script.err));
    }
    if (error)
        *error = problem;
    else if (!problem.isEmpty())
        qWarning("%s", qPrintable(problem));
    return problem.isEmpty();
}
