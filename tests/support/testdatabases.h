#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The library locations a test body runs against: a real SQLite file, and the throwaway
// PostgreSQL cluster that scripts/pgtest.sh starts for the test run (the ctest fixture "pg"
// names its folder in SOLVANE_TEST_PG_DIR). Role solvane signs in with the password in the
// cluster's pgpass file, which libpq finds through PGPASSFILE.
class TestDatabases
{
public:
    // The SQLite file, then the cluster's URI when there is one; sets PGPASSFILE to the
    // cluster's password file unless it is set. Without a cluster only the file, with a
    // warning, unless SOLVANE_REQUIRE_PG=1: then a missing cluster is an error, given in
    // *error (the list is empty), or without error the test program stops.
    static QStringList locations(const QString &sqliteFile, QString *error = nullptr);
    static bool isPostgres(const QString &location);

    // A QPSQL connection named connectionName, not yet open, to the database, socket folder,
    // port and role of a postgresql:// URI; invalid, with *error set, for a URI it cannot read.
    static QSqlDatabase addPostgres(const QString &uri, const QString &connectionName,
                                    QString *error);
    // Empties the test database: drops schema public with everything in it and makes it anew.
    static bool resetPostgres(const QString &uri, QString *error);

    // Stops the cluster's server, cutting every connection, and starts it again on the same
    // data (pgtest.sh pause and resume); each waits at most a minute.
    static bool stopServer(QString *error = nullptr);
    static bool startServer(QString *error = nullptr);

private:
    static bool runScript(const QString &command, QString *error);
};
