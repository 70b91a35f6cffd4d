// The test databases themselves: the SQLite file and the PostgreSQL cluster that ctest
// starts, reached the way the library tests reach them.
#include "testdatabases.h"

#include <QtSql>
#include <QtTest>

namespace {

// A connection that is removed again when it goes.
class Connection
{
public:
    Connection(const QString &location, const QString &name) : m_name(name)
    {
        if (TestDatabases::isPostgres(location)) {
            m_db = TestDatabases::addPostgres(location, name, &m_error);
        } else {
            m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            m_db.setDatabaseName(location);
        }
        if (m_db.isValid() && !m_db.open())
            m_error = m_db.lastError().text();
    }
    ~Connection()
    {
        m_db = {};
        QSqlDatabase::removeDatabase(m_name);
    }
    bool isOpen() const { return m_db.isOpen(); }
    const QString &error() const { return m_error; }
    QSqlQuery query() const { return QSqlQuery(m_db); }
    // The one value of a query, or an invalid variant when it fails.
    QVariant value(const QString &sql) const
    {
        QSqlQuery q(m_db);
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }

private:
    QString m_name;
    QString m_error;
    QSqlDatabase m_db;
};

} // namespace

class TstPgHarness : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void storesAndResets_data();
    void storesAndResets();
    void refusesWrongPasswordAndOutlivesPause();

private:
    QTemporaryDir m_dir;
    QStringList m_locations;
};

// A missing server fails here, before any test runs.
void TstPgHarness::initTestCase()
{
    QString error;
    m_locations =
        TestDatabases::locations(m_dir.filePath(QStringLiteral("library.sqlite")), &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TstPgHarness::storesAndResets_data()
{
    QTest::addColumn<QString>("location");
    for (const QString &location : std::as_const(m_locations))
        QTest::newRow(TestDatabases::isPostgres(location) ? "postgresql" : "sqlite") << location;
}

void TstPgHarness::storesAndResets()
{
    QFETCH(QString, location);
    const bool postgres = TestDatabases::isPostgres(location);
    const QString serial = QStringLiteral("416-\u7d2b\u5916-0042");
    const QByteArray raw("\x00\x01\xff\x7f'\\", 6);
    {
        Connection db(location, QStringLiteral("store"));
        QVERIFY2(db.isOpen(), qPrintable(db.error()));
        QSqlQuery q = db.query();
        QVERIFY2(q.exec(QStringLiteral("CREATE TABLE samples (id INTEGER PRIMARY KEY, serial TEXT, "
                                       "value DOUBLE PRECISION, raw %1)")
                            .arg(postgres ? "BYTEA" : "BLOB")),
                 qPrintable(q.lastError().text()));
        QVERIFY(q.prepare(QStringLiteral("INSERT INTO samples VALUES (?, ?, ?, ?)")));
        q.addBindValue(7);
        q.addBindValue(serial);
        q.addBindValue(1234.5625);
        q.addBindValue(raw);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        QVERIFY(q.prepare(QStringLiteral("SELECT serial, value, raw FROM samples WHERE id = ?")));
        q.addBindValue(7);
        QVERIFY2(q.exec() && q.next(), qPrintable(q.lastError().text()));
        QCOMPARE(q.value(0).toString(), serial);
        QCOMPARE(q.value(1).toDouble(), 1234.5625);
        QCOMPARE(q.value(2).toByteArray(), raw);
    }
    if (!postgres)
        return;
    QString error;
    QVERIFY2(TestDatabases::resetPostgres(location, &error), qPrintable(error));
    Connection db(location, QStringLiteral("reset"));
    QVERIFY2(db.isOpen(), qPrintable(db.error()));
    QCOMPARE(db.value(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")),
             QVariant(0));
    // The fresh schema belongs to the test role, so the next test can create in it.
    QVERIFY(db.query().exec(QStringLiteral("CREATE TABLE again (id INTEGER)")));
}

void TstPgHarness::refusesWrongPasswordAndOutlivesPause()
{
    if (m_locations.size() < 2)
        QSKIP("PostgreSQL was not started");
    const QString uri = m_locations.last();
    QString error;
    QVERIFY2(TestDatabases::resetPostgres(uri, &error), qPrintable(error));

    // The same line as the real password file with another password.
    const QByteArray passFile = qgetenv("PGPASSFILE");
    QFile real(QFile::decodeName(passFile));
    QVERIFY(real.open(QIODevice::ReadOnly));
    QByteArray line = real.readAll().trimmed();
    line = line.left(line.lastIndexOf(':') + 1) + "not-the-password\n";
    QFile wrong(m_dir.filePath(QStringLiteral("wrong.pgpass")));
    QVERIFY(wrong.open(QIODevice::WriteOnly) && wrong.write(line) == line.size());
    wrong.close();
    QVERIFY(wrong.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    qputenv("PGPASSFILE", QFile::encodeName(wrong.fileName()));
    {
        const auto restore = qScopeGuard([&] { qputenv("PGPASSFILE", passFile); });
        Connection refused(uri, QStringLiteral("wrong"));
        QVERIFY(!refused.isOpen());
        QVERIFY2(refused.error().contains(QLatin1String("password authentication failed")),
                 qPrintable(refused.error()));
    }

    Connection before(uri, QStringLiteral("before"));
    QVERIFY2(before.isOpen(), qPrintable(before.error()));
    QVERIFY(before.query().exec(QStringLiteral("CREATE TABLE kept (id INTEGER)")));
    QVERIFY(before.query().exec(QStringLiteral("INSERT INTO kept VALUES (5)")));
    {
        bool paused = TestDatabases::stopServer(&error);
        // Later tests need the server, whatever fails here.
        const auto resume = qScopeGuard([&] {
            if (paused)
                TestDatabases::startServer();
        });
        QVERIFY2(paused, qPrintable(error));
        QVERIFY(!before.query().exec(QStringLiteral("SELECT 1")));
        Connection during(uri, QStringLiteral("during"));
        QVERIFY(!during.isOpen());
        paused = false;
        QVERIFY2(TestDatabases::startServer(&error), qPrintable(error));
    }
    Connection after(uri, QStringLiteral("after"));
    QVERIFY2(after.isOpen(), qPrintable(after.error()));
    QCOMPARE(after.value(QStringLiteral("SELECT id FROM kept")), QVariant(5));
}

QTEST_GUILESS_MAIN(TstPgHarness)
#include "tst_pgharness.moc"
