#include "recordinglibrary.h"

#include "audittrail.h"
#include "dose.h"
#include "librarypassword.h"
#include "recordingrow.h"
#include "reportsignature.h"
#include "station.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUrl>
#include <QUuid>
#include <QVariant>

#include <cerrno>
#include <libpq-fe.h>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <poll.h>
#endif

namespace {

const QChar kFieldSeparator = RecordingRow::fieldSeparator();

// Waits at most `timeoutMs` until libpq's socket can be read (or written); false on time-out,
// on an error, or when there is no socket.
bool waitForSocket(int socket, bool reading, int timeoutMs)
{
    if (socket < 0)
        return false;
#ifdef Q_OS_WIN
    WSAPOLLFD watched{static_cast<SOCKET>(socket),
                      static_cast<short>(reading ? POLLRDNORM : POLLWRNORM), 0};
    return WSAPoll(&watched, 1, timeoutMs) > 0;
#else
    pollfd watched{socket, static_cast<short>(reading ? POLLIN : POLLOUT), 0};
    int ready = -1;
    do
        ready = ::poll(&watched, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    return ready > 0;
#endif
}

// Text columns that must hold a value, never SQL NULL.
QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

QVariant dateText(const QDate &date)
{
    return date.isValid() ? QVariant(date.toString(Qt::ISODate)) : QVariant(QStringLiteral(""));
}

// Each step brings the schema one version further; `%ID%` and `%BLOB%` name the engine's
// own spelling of an identity key and a byte column, the rest is the same on both.
const char *const kMigrations[] = {
    // 1
    "CREATE TABLE instruments ("
    " id %ID%,"
    " serial TEXT NOT NULL,"
    " model_code BIGINT NOT NULL,"
    " model_name TEXT NOT NULL,"
    " family TEXT NOT NULL,"
    " UNIQUE (serial, model_code));"
    "CREATE TABLE recordings ("
    " id %ID%,"
    " instrument_id BIGINT NOT NULL REFERENCES instruments (id),"
    " family TEXT NOT NULL CHECK (family IN ('logger', 'meter')),"
    " group_no INTEGER NOT NULL,"
    " start_time TEXT NOT NULL,"
    " interval_s INTEGER NOT NULL,"
    " sample_count INTEGER NOT NULL,"
    " samples %BLOB%,"
    " raw_frames %BLOB%,"
    " shown TEXT NOT NULL,"
    " power_rec DOUBLE PRECISION,"
    " power_max DOUBLE PRECISION,"
    " power_min DOUBLE PRECISION,"
    " power_avg DOUBLE PRECISION,"
    " energy DOUBLE PRECISION,"
    " duration_s DOUBLE PRECISION,"
    " power_rt DOUBLE PRECISION,"
    " unit TEXT NOT NULL,"
    " firmware TEXT NOT NULL,"
    " production_date TEXT NOT NULL,"
    " calibration_date TEXT NOT NULL,"
    " downloaded_at TEXT NOT NULL,"
    " sort_time TEXT NOT NULL,"
    " sha256 TEXT NOT NULL,"
    " dedupe_key TEXT NOT NULL,"
    " test_light TEXT NOT NULL,"
    " company TEXT NOT NULL,"
    " tester TEXT NOT NULL,"
    " auditor TEXT NOT NULL,"
    " UNIQUE (instrument_id, dedupe_key));"
    "CREATE INDEX recordings_sort_time ON recordings (sort_time);"
    "CREATE INDEX recordings_instrument ON recordings (instrument_id)",
    // 2: the dose of every logger recording, filled in for those stored before.
    "ALTER TABLE recordings ADD COLUMN dose_uj_cm2 DOUBLE PRECISION;"
    "ALTER TABLE recordings ADD COLUMN dose_flagged INTEGER NOT NULL DEFAULT 0",
    // 3: the searched texts case-folded by the program, the same for every script on both
    // engines (SQLite's LOWER folds ASCII only, PostgreSQL's follows the database's ctype).
    "ALTER TABLE instruments ADD COLUMN search TEXT NOT NULL DEFAULT '';"
    "ALTER TABLE recordings ADD COLUMN search TEXT NOT NULL DEFAULT ''",
    // 4: removal that keeps the recording, the station's UTC offset at the download, and the
    // audit trail (made by AuditTrail, whose triggers are no plain statements).
    "ALTER TABLE recordings ADD COLUMN removed INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE recordings ADD COLUMN utc_offset_s INTEGER;"
    "CREATE INDEX recordings_listed ON recordings (removed, sort_time)",
};

// "2024-03-01" .. the day after "until", as the sort times compare as text.
void addDateBounds(const RecordingLibrary::Filter &f, QStringList &where, QVariantList &binds)
{
    if (f.since.isValid()) {
        where << QStringLiteral("r.sort_time >= ?");
        binds << f.since.toString(Qt::ISODate);
    }
    if (f.until.isValid()) {
        where << QStringLiteral("r.sort_time < ?");
        binds << f.until.addDays(1).toString(Qt::ISODate);
    }
}

// What the search columns hold and the filter is matched as: one form per text, whatever
// its case or composition.
QString folded(const QString &text)
{
    return text.normalized(QString::NormalizationForm_C).toCaseFolded();
}

QString instrumentSearch(const QString &serial, const QString &modelName)
{
    return folded(serial + kFieldSeparator + modelName);
}

QString recordingSearch(const QStringList &texts)
{
    return folded(texts.join(kFieldSeparator));
}

QString likePattern(const QString &text)
{
    QString escaped = folded(text);
    escaped.remove(kFieldSeparator); // a match never spans two texts
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('%'), QStringLiteral("\\%"));
    escaped.replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

// `counting`: the removed flag may be looked up in its index. A list, newest first, walks the
// keys backwards instead; "+" keeps SQLite from choosing the flag's index and then sorting
// every entry it holds.
QString whereClause(const RecordingLibrary::Filter &f, QVariantList &binds, bool counting)
{
    QStringList where;
    const QString flag = counting ? QStringLiteral("r.removed") : QStringLiteral("+r.removed");
    if (f.removed != RecordingLibrary::Filter::Removed::All)
        where << flag + (f.removed == RecordingLibrary::Filter::Removed::Only
                             ? QStringLiteral(" <> 0")
                             : QStringLiteral(" = 0"));
    if (!f.serial.isEmpty()) {
        where << QStringLiteral("i.serial = ?");
        binds << f.serial;
    }
    addDateBounds(f, where, binds);
    if (!f.text.trimmed().isEmpty()) {
        QStringList any;
        for (const char *column : {"i.search", "r.search", "LOWER(r.start_time)"}) {
            any << QStringLiteral("%1 LIKE ? ESCAPE '\\'").arg(QLatin1String(column));
            binds << likePattern(f.text.trimmed());
        }
        where << QLatin1Char('(') + any.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }
    return where.isEmpty() ? QString()
                           : QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
}

// Another writer held the library past the wait: SQLite's busy and locked, PostgreSQL's lock
// time-out, deadlock and serialization failure.
bool isBusy(const QSqlError &error)
{
    static const QStringList codes{QStringLiteral("5"), QStringLiteral("6"),
                                   QStringLiteral("55P03"), QStringLiteral("40P01"),
                                   QStringLiteral("40001")};
    return codes.contains(error.nativeErrorCode()) ||
           error.databaseText().contains(QLatin1String("database is locked"));
}

// Every writer of a PostgreSQL library takes this lock first, so writes queue one after the
// other as on SQLite, instead of waiting on each other's rows in any order.
const char *const kWriteLock = "SELECT pg_advisory_xact_lock(7310315452811)";

} // namespace

struct RecordingLibrary::Impl {
    static QSqlDatabase db(const QString &name) { return QSqlDatabase::database(name, false); }
};

RecordingLibrary::RecordingLibrary() = default;

RecordingLibrary::~RecordingLibrary()
{
    close();
}

bool RecordingLibrary::fail(const QString &message)
{
    m_error = message;
    return false;
}

bool RecordingLibrary::isOpen() const
{
    return !m_connection.isEmpty() && Impl::db(m_connection).isOpen();
}

void RecordingLibrary::close()
{
    if (m_connection.isEmpty())
        return;
    m_readBack = QSqlQuery();
    m_readBackConnection.clear();
    {
        QSqlDatabase db = Impl::db(m_connection);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    m_connection.clear();
}

bool RecordingLibrary::open(const QString &location, const QString &password)
{
    close();
    m_error.clear();
    m_passwordRefused = false;
    QString error;
    if (!LibraryLocation::parse(location, m_location, &error))
        return fail(error);
    m_connection = QStringLiteral("solvane-library-") + QUuid::createUuid().toString(QUuid::Id128);
    const bool opened = m_location.engine == LibraryLocation::Engine::Sqlite
                            ? openSqlite()
                            : openPostgres(password);
    if (!opened || !migrate()) {
        const QString why = m_error;
        close();
        m_error = why;
        return false;
    }
    return true;
}

bool RecordingLibrary::openSqlite()
{
    const QString path = m_location.path;
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.exists()) {
        if (!info.isFile())
            return fail(tr("The library %1 is not a file.").arg(shown));
        if (!info.isReadable())
            return fail(tr("The library file %1 cannot be read (no permission).").arg(shown));
    } else {
        // Made here, owner only, before the database opens it.
        if (!QDir().mkpath(info.absolutePath()))
            return fail(tr("The folder of the library %1 cannot be made.").arg(shown));
        // Another program may make it at the same moment; then that one's file is used.
        QFile file(path);
        const bool made = file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        if (made ? !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
                 : !QFileInfo::exists(path))
            return fail(
                tr("The library file %1 cannot be made: %2").arg(shown, file.errorString()));
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!db.open())
        return fail(
            tr("The library file %1 cannot be opened: %2").arg(shown, db.lastError().text()));
    // Reading comes first: a damaged file or one of another program is told, never rewritten.
    auto readable = [&] {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
            return true;
        m_error = tr("The library file %1 is damaged or is no library: %2")
                      .arg(shown, q.lastError().databaseText());
        return false;
    };
    if (readable())
        return true;
    if (QFileInfo(info.absolutePath()).isWritable() && QFileInfo(path).isWritable())
        return false;
    // On a read-only file system, or in a folder closed to this user, SQLite cannot make the
    // shared-memory file of its journal, so the library is read as a file nobody changes;
    // every write is then refused with SQLite's reason.
    db.close();
    db.setDatabaseName(QStringLiteral("file:%1?immutable=1")
                           .arg(QString::fromUtf8(QUrl::toPercentEncoding(path, "/"))));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    if (!db.open())
        return false;
    const QString why = m_error;
    if (readable())
        return true;
    m_error = why;
    return false;
}

bool RecordingLibrary::openPostgres(const QString &password)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_connection);
    if (!db.isValid())
        return fail(tr("This installation cannot reach PostgreSQL (its Qt driver is missing)."));
    db.setHostName(m_location.host);
    db.setUserName(m_location.user);
    db.setDatabaseName(m_location.database);
    db.setConnectOptions(connectOptions().join(QLatin1Char(';')));
    if (!password.isEmpty())
        db.setPassword(password);
    bool opened = db.open();
    QString kept;
    if (!opened && password.isEmpty() && passwordWanted(db.lastError(), password) &&
        LibraryPassword::read(m_location, kept)) {
        db.setPassword(kept);
        opened = db.open();
    }
    if (opened) {
        // Bounded on the server too: a row another station holds is waited for as long as
        // SQLite's busy time-out, and no statement keeps the window waiting without end.
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SET lock_timeout = %1").arg(BusyTimeoutMs)) &&
            q.exec(QStringLiteral("SET statement_timeout = %1").arg(StatementTimeoutMs)))
            return true;
        return fail(tr("The library at %1 cannot be reached: %2")
                        .arg(m_location.display(), q.lastError().databaseText().trimmed()));
    }
    m_passwordRefused = passwordWanted(db.lastError(), kept.isEmpty() ? password : kept);
    QString why = db.lastError().databaseText().trimmed();
    for (const QString &secret : {password, kept})
        if (!secret.isEmpty())
            why.replace(secret, QStringLiteral("***"));
    QString message = tr("The library at %1 cannot be reached: %2").arg(m_location.display(), why);
    if (m_passwordRefused)
        message += QLatin1Char(' ') +
                   tr("Its password is not known here: keep it in %1 or in %2.")
                       .arg(LibraryPassword::passwordFile(), LibraryPassword::storeName());
    else if (m_location.sslMode.isEmpty() && !m_location.effectiveSslMode().isEmpty())
        message += QLatin1Char(' ') +
                   tr("A server on the network is reached only encrypted (TLS), so that the "
                      "password never crosses the network readable; if it offers no TLS, "
                      "turn TLS on at the server, or add ?sslmode=disable to the address.");
    return fail(message);
}

QStringList RecordingLibrary::connectOptions() const
{
    // Keepalives end a connection whose network went away within about half a minute
    // instead of the system's two hours; the address may choose its own.
    QStringList options{QStringLiteral("connect_timeout=%1").arg(ConnectTimeoutS),
                        QStringLiteral("keepalives=1"),
                        QStringLiteral("keepalives_idle=10"),
                        QStringLiteral("keepalives_interval=5"),
                        QStringLiteral("keepalives_count=3"),
                        QStringLiteral("tcp_user_timeout=%1").arg(StatementTimeoutMs)};
    return options + m_location.connectOptions();
}

bool RecordingLibrary::passwordWanted(const QSqlError &error, const QString &password) const
{
    // By SQLSTATE, never by the server's text, which may be in any language. Qt's driver
    // gives none for a failed connection, so libpq tries it once more and tells.
    QString state = error.nativeErrorCode();
    if (state.isEmpty()) {
        QStringList conninfo;
        const std::pair<const char *, QString> parts[] = {{"host", m_location.host},
                                                          {"dbname", m_location.database},
                                                          {"user", m_location.user},
                                                          {"password", password}};
        for (const auto &[key, value] : parts)
            if (!value.isEmpty())
                conninfo << QLatin1String(key) + QLatin1Char('=') + LibraryLocation::quoted(value);
        conninfo << connectOptions();
        PGconn *conn = PQconnectStart(conninfo.join(QLatin1Char(' ')).toUtf8().constData());
        if (!conn)
            return false;
        PQsetErrorVerbosity(conn, PQERRORS_SQLSTATE);
        // Each step waits on the socket for what libpq asks, all of them within the time-out.
        QElapsedTimer waited;
        waited.start();
        const qint64 limitMs = (ConnectTimeoutS + 1) * 1000;
        PostgresPollingStatusType polled = PGRES_POLLING_WRITING;
        while (polled == PGRES_POLLING_READING || polled == PGRES_POLLING_WRITING) {
            const qint64 left = limitMs - waited.elapsed();
            if (left <= 0 || !waitForSocket(PQsocket(conn), polled == PGRES_POLLING_READING,
                                            static_cast<int>(left)))
                break;
            polled = PQconnectPoll(conn);
        }
        const bool needsPassword = PQconnectionNeedsPassword(conn);
        // "...: <severity>:  28P01", the severity in the server's language.
        static const QRegularExpression sqlState(QStringLiteral(":\\s+([0-9A-Z]{5})\\s*$"),
                                                 QRegularExpression::MultilineOption);
        const QRegularExpressionMatch found =
            sqlState.match(QString::fromUtf8(PQerrorMessage(conn)));
        PQfinish(conn);
        if (needsPassword)
            return true;
        state = found.hasMatch() ? found.captured(1) : QString();
    }
    return state == QLatin1String("28P01") || state == QLatin1String("28000");
}

bool RecordingLibrary::readVersion(int &version)
{
    QSqlDatabase db = Impl::db(m_connection);
    const QString where = m_location.display();
    version = 0;
    bool ours = false;
    bool others = false;
    if (m_location.engine == LibraryLocation::Engine::Postgres) {
        // Only the schemas the connection's search path reaches: another schema's tables are
        // none of the library's, and a role's own schema comes before public.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral(
                "SELECT to_regclass('schema_version') IS NOT NULL, EXISTS (SELECT 1 FROM "
                "pg_catalog.pg_tables WHERE schemaname = ANY (current_schemas(false)))")) ||
            !q.next())
            return fail(tr("The library %1 is damaged: its version cannot be read (%2).")
                            .arg(where, q.lastError().databaseText()));
        ours = q.value(0).toBool();
        others = q.value(1).toBool();
    } else {
        const QStringList tables = db.tables(QSql::Tables);
        ours = tables.contains(QStringLiteral("schema_version"));
        others = !tables.isEmpty();
    }
    if (ours) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT version FROM schema_version")) || !q.next())
            return fail(tr("The library %1 is damaged: its version cannot be read (%2).")
                            .arg(where, q.lastError().databaseText()));
        version = q.value(0).toInt();
        if (version > SchemaVersion)
            return fail(tr("The library %1 was written by a newer Solvane (schema %2; this one "
                           "knows %3). It is left as it is.")
                            .arg(where)
                            .arg(version)
                            .arg(SchemaVersion));
    } else if (others) {
        return fail(tr("%1 holds tables of another program; it is left as it is.").arg(where));
    }
    return true;
}

bool RecordingLibrary::beginWrite(QSqlError &error)
{
    QSqlDatabase db = Impl::db(m_connection);
    QSqlQuery q(db);
    if (m_location.engine == LibraryLocation::Engine::Sqlite) {
        // Takes the write lock now, waiting the busy time-out for it: a transaction that
        // began reading could not wait to write once another program wrote in between.
        if (q.exec(QStringLiteral("BEGIN IMMEDIATE")))
            return true;
        error = q.lastError();
        return false;
    }
    if (!db.transaction()) {
        error = db.lastError();
        return false;
    }
    if (q.exec(QLatin1String(kWriteLock)))
        return true;
    error = q.lastError();
    db.rollback();
    return false;
}

QString RecordingLibrary::writeError(const QSqlError &error) const
{
    const QString where = m_location.display();
    if (isBusy(error))
        return tr("The library %1 is busy: another program is writing to it. Try again.")
            .arg(where);
    return tr("The library %1 cannot be written: %2").arg(where, error.databaseText().trimmed());
}

bool RecordingLibrary::migrate()
{
    QSqlDatabase db = Impl::db(m_connection);
    const QString where = m_location.display();
    int version = 0;
    if (!readVersion(version))
        return false;
    const bool sqlite = m_location.engine == LibraryLocation::Engine::Sqlite;
    if (sqlite) {
        QSqlQuery q(db);
        // Readers never wait for a writer; the busy time-out bounds writers. Switching a new
        // file to WAL while another program is making it can be refused at once instead of
        // waiting, so that one step waits here, as long as the busy time-out.
        QElapsedTimer waited;
        waited.start();
        bool wal = q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        while (!wal && isBusy(q.lastError()) && waited.elapsed() < BusyTimeoutMs) {
            QThread::msleep(20);
            wal = q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        }
        if (!wal || !q.exec(QStringLiteral("PRAGMA foreign_keys=ON")))
            return fail(tr("The library %1 cannot be used: %2").arg(where, q.lastError().text()));
    }
    if (version == SchemaVersion)
        return true;

    QSqlError error;
    if (!beginWrite(error))
        return fail(writeError(error));
    // Another program opening the same new library may have made it meanwhile.
    if (!readVersion(version)) {
        db.rollback();
        return false;
    }
    QSqlQuery q(db);
    auto rollback = [&](const QSqlError &error) {
        db.rollback();
        return fail(isBusy(error) ? writeError(error)
                                  : tr("The library %1 cannot be brought up to date: %2")
                                        .arg(where, error.databaseText().trimmed()));
    };
    if (version == SchemaVersion)
        return db.commit() || rollback(db.lastError());
    if (version == 0 &&
        !q.exec(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)")))
        return rollback(q.lastError());
    for (int step = version; step < SchemaVersion; ++step) {
        QString script = QString::fromLatin1(kMigrations[step]);
        script.replace(QStringLiteral("%ID%"),
                       sqlite ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT")
                              : QStringLiteral("BIGSERIAL PRIMARY KEY"));
        script.replace(QStringLiteral("%BLOB%"),
                       sqlite ? QStringLiteral("BLOB") : QStringLiteral("BYTEA"));
        for (const QString &statement : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (!q.exec(statement))
                return rollback(q.lastError());
        }
        if ((step == 1 && !fillDoses(error)) || (step == 2 && !fillSearch(error)))
            return rollback(error);
        if (step == 3) {
            for (const QString &statement : AuditTrail::createStatements(sqlite))
                if (!q.exec(statement))
                    return rollback(q.lastError());
        }
    }
    // The trail's first entry: a new library, or one brought under audit with the hash of
    // every recording it holds; later steps are entries of their own.
    if (!recordMigration(version, error))
        return rollback(error);
    const bool written =
        version == 0 ? q.prepare(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"))
                     : q.prepare(QStringLiteral("UPDATE schema_version SET version = ?"));
    q.addBindValue(SchemaVersion);
    if (!written || !q.exec())
        return rollback(q.lastError());
    if (!db.commit())
        return rollback(db.lastError());
    return true;
}

bool RecordingLibrary::fillDoses(QSqlError &error)
{
    QSqlDatabase db = Impl::db(m_connection);
    QSqlQuery read(db);
    QSqlQuery write(db);
    read.setForwardOnly(true);
    if (!read.exec(QStringLiteral(
            "SELECT id, samples, interval_s FROM recordings WHERE family = 'logger'")) ||
        !write.prepare(QStringLiteral(
            "UPDATE recordings SET dose_uj_cm2 = ?, dose_flagged = ? WHERE id = ?"))) {
        error = read.lastError().isValid() ? read.lastError() : write.lastError();
        return false;
    }
    QList<std::pair<qint64, Dose>> doses;
    while (read.next())
        doses.append({read.value(0).toLongLong(),
                      Dose::of(read.value(1).toByteArray(), read.value(2).toInt())});
    read.finish();
    for (const auto &[id, dose] : std::as_const(doses)) {
        write.addBindValue(dose.microjoulesPerCm2);
        write.addBindValue(dose.flagged ? 1 : 0);
        write.addBindValue(id);
        if (!write.exec()) {
            error = write.lastError();
            return false;
        }
    }
    return true;
}

bool RecordingLibrary::fillSearch(QSqlError &error)
{
    QSqlDatabase db = Impl::db(m_connection);
    const bool sqlite = m_location.engine == LibraryLocation::Engine::Sqlite;
    QSqlQuery q(db);
    auto failed = [&](const QSqlQuery &query) {
        error = query.lastError();
        return false;
    };
    // The instruments are few; of the recordings, those whose texts are plain ASCII (nearly
    // all) are folded by the engine itself, the rest one by one here.
    QList<std::pair<qint64, QString>> rows;
    if (!q.exec(QStringLiteral("SELECT id, serial, model_name FROM instruments")))
        return failed(q);
    while (q.next())
        rows.append({q.value(0).toLongLong(),
                     instrumentSearch(q.value(1).toString(), q.value(2).toString())});
    const QString texts = QStringLiteral("test_light || company || tester || auditor");
    const QString ascii = sqlite
                              ? QStringLiteral("length(CAST(%1 AS BLOB)) = length(%1)").arg(texts)
                              : QStringLiteral("octet_length(%1) = char_length(%1)").arg(texts);
    const QString joined =
        QStringLiteral("test_light || ? || company || ? || tester || ? || auditor");
    const QString lower = sqlite ? QStringLiteral("lower(%1)").arg(joined)
                                 : QStringLiteral("translate(%1, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', "
                                                  "'abcdefghijklmnopqrstuvwxyz')")
                                       .arg(joined);
    if (!q.prepare(QStringLiteral("UPDATE recordings SET search = %1 WHERE %2").arg(lower, ascii)))
        return failed(q);
    for (int i = 0; i < 3; ++i)
        q.addBindValue(QString(kFieldSeparator));
    if (!q.exec())
        return failed(q);
    QList<std::pair<qint64, QString>> recordings;
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT id, test_light, company, tester, auditor FROM recordings "
                               "WHERE NOT (%1)")
                    .arg(ascii)))
        return failed(q);
    while (q.next())
        recordings.append({q.value(0).toLongLong(),
                           recordingSearch({q.value(1).toString(), q.value(2).toString(),
                                            q.value(3).toString(), q.value(4).toString()})});
    q.finish();
    for (const auto &[table, list] :
         {std::pair{"instruments", &rows}, {"recordings", &recordings}}) {
        if (!q.prepare(
                QStringLiteral("UPDATE %1 SET search = ? WHERE id = ?").arg(QLatin1String(table))))
            return failed(q);
        for (const auto &[id, search] : std::as_const(*list)) {
            q.addBindValue(search);
            q.addBindValue(id);
            if (!q.exec())
                return failed(q);
        }
    }
    return true;
}

RecordingLibrary::StoreResult RecordingLibrary::store(const QList<Recording> &recordings)
{
    StoreResult result;
    if (!isOpen()) {
        result.error = m_error.isEmpty() ? tr("No library is open.") : m_error;
        return result;
    }
    QSqlDatabase db = Impl::db(m_connection);
    auto failed = [&](const QSqlError &error) {
        db.rollback();
        result = StoreResult();
        result.error = writeError(error);
        m_error = result.error;
        return result;
    };
    QSqlError begun;
    if (!beginWrite(begun)) {
        result.error = m_error = writeError(begun);
        return result;
    }

    QSqlQuery instrument(db);
    QSqlQuery insert(db);
    QSqlQuery existing(db);
    if (!instrument.prepare(QStringLiteral(
            "INSERT INTO instruments (serial, model_code, model_name, family, search)"
            " VALUES (?, ?, ?, ?, ?) ON CONFLICT (serial, model_code) DO UPDATE SET"
            " model_name = excluded.model_name, search = excluded.search RETURNING id")))
        return failed(instrument.lastError());
    if (!insert.prepare(QStringLiteral(
            "INSERT INTO recordings (instrument_id, family, group_no, start_time, interval_s,"
            " sample_count, samples, raw_frames, shown, power_rec, power_max, power_min,"
            " power_avg, energy, duration_s, power_rt, unit, firmware, production_date,"
            " calibration_date, downloaded_at, sort_time, sha256, dedupe_key, test_light,"
            " company, tester, auditor, dose_uj_cm2, dose_flagged, search, utc_offset_s)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
            " ?, ?, ?, ?, ?, ?)"
            " ON CONFLICT (instrument_id, dedupe_key) DO NOTHING RETURNING id")))
        return failed(insert.lastError());
    if (!existing.prepare(
            QStringLiteral("SELECT id FROM recordings WHERE instrument_id = ? AND dedupe_key = ?")))
        return failed(existing.lastError());
    AuditTrail trail(db);

    for (Recording r : recordings) {
        if (r.sha256.isEmpty())
            r.updateHash();
        if (!r.downloadedAt.isValid())
            r.downloadedAt = QDateTime::currentDateTimeUtc();
        if (!r.utcOffsetSeconds)
            r.utcOffsetSeconds = Station::utcOffsetSeconds(r.downloadedAt);
        instrument.addBindValue(text(r.serial));
        instrument.addBindValue(static_cast<qint64>(r.modelCode));
        instrument.addBindValue(text(r.modelName));
        instrument.addBindValue(r.familyName());
        instrument.addBindValue(instrumentSearch(r.serial, r.modelName));
        if (!instrument.exec() || !instrument.next())
            return failed(instrument.lastError());
        const qint64 instrumentId = instrument.value(0).toLongLong();
        instrument.finish();

        const bool logger = r.family == Recording::Family::Logger;
        const Dose dose = Dose::of(r);
        const QString start = r.startTime.isValid() ? r.startTime.toString(Qt::ISODate) : QString();
        const QString sortTime =
            logger ? start : r.downloadedAt.toLocalTime().toString(Qt::ISODate);
        const QVariantList values{instrumentId,
                                  r.familyName(),
                                  r.group,
                                  text(start),
                                  r.intervalSeconds,
                                  logger ? r.sampleCount() : 0,
                                  r.samples,
                                  r.rawFrames,
                                  text(r.shown.join(kFieldSeparator)),
                                  r.powerRec,
                                  r.powerMax,
                                  r.powerMin,
                                  r.powerAvg,
                                  r.energy,
                                  r.duration,
                                  r.powerRt,
                                  text(r.unit),
                                  text(r.firmware),
                                  dateText(r.productionDate),
                                  dateText(r.calibrationDate),
                                  r.downloadedAt.toUTC().toString(Qt::ISODate),
                                  text(sortTime),
                                  r.sha256,
                                  r.dedupeKey(),
                                  text(r.testLight),
                                  text(r.company),
                                  text(r.tester),
                                  text(r.auditor),
                                  logger ? QVariant(dose.microjoulesPerCm2)
                                         : QVariant(QMetaType::fromType<double>()),
                                  logger && dose.flagged ? 1 : 0,
                                  recordingSearch({r.testLight, r.company, r.tester, r.auditor}),
                                  *r.utcOffsetSeconds};
        for (const QVariant &v : values)
            insert.addBindValue(v);
        if (!insert.exec())
            return failed(insert.lastError());
        if (insert.next()) {
            const qint64 id = insert.value(0).toLongLong();
            insert.finish();
            QSqlError error;
            if (!recordStored(trail, id, error))
                return failed(error);
            result.ids.append(id);
            result.isNew.append(true);
            ++result.added;
        } else {
            existing.addBindValue(instrumentId);
            existing.addBindValue(r.dedupeKey());
            if (!existing.exec() || !existing.next())
                return failed(existing.lastError());
            result.ids.append(existing.value(0).toLongLong());
            result.isNew.append(false);
            existing.finish();
            ++result.already;
        }
        insert.finish();
    }
    if (!db.commit())
        return failed(db.lastError());
    result.ok = true;
    return result;
}

int RecordingLibrary::count(const Filter &filter)
{
    if (!isOpen())
        return 0;
    QVariantList binds;
    QSqlQuery q(Impl::db(m_connection));
    // Every recording has its instrument: the join only serves filters on the instrument,
    // and without it a million recordings are counted on the index alone.
    const bool byInstrument = !filter.serial.isEmpty() || !filter.text.trimmed().isEmpty();
    q.prepare(QStringLiteral("SELECT count(*) FROM recordings r") +
              (byInstrument ? QStringLiteral(" JOIN instruments i ON i.id = r.instrument_id")
                            : QString()) +
              whereClause(filter, binds, true));
    for (const QVariant &b : binds)
        q.addBindValue(b);
    if (!q.exec() || !q.next()) {
        m_error = q.lastError().text();
        return 0;
    }
    return q.value(0).toInt();
}

QList<Recording> RecordingLibrary::list(const Filter &filter, int offset, int limit)
{
    QList<Recording> out;
    if (!isOpen())
        return out;
    QVariantList binds;
    QSqlQuery q(Impl::db(m_connection));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT ") + RecordingRow::columns(filter.withSamples) +
              QStringLiteral(" FROM recordings r JOIN instruments i ON i.id = r.instrument_id") +
              whereClause(filter, binds, false) +
              QStringLiteral(" ORDER BY r.id DESC LIMIT ? OFFSET ?"));
    for (const QVariant &b : binds)
        q.addBindValue(b);
    q.addBindValue(std::max(0, limit));
    q.addBindValue(std::max(0, offset));
    if (!q.exec()) {
        m_error = q.lastError().text();
        return out;
    }
    while (q.next())
        out.append(RecordingRow::read(q, filter.withSamples));
    return out;
}

bool RecordingLibrary::get(qint64 id, Recording &recording)
{
    m_error.clear();
    if (!isOpen())
        return fail(tr("No library is open."));
    QSqlQuery q(Impl::db(m_connection));
    q.prepare(QStringLiteral("SELECT ") + RecordingRow::columns(true) +
              QStringLiteral(" FROM recordings r JOIN instruments i ON i.id = r.instrument_id"
                             " WHERE r.id = ?"));
    q.addBindValue(id);
    if (!q.exec())
        return fail(q.lastError().text());
    if (!q.next())
        return false;
    recording = RecordingRow::read(q, true);
    return true;
}

bool RecordingLibrary::readForAudit(qint64 id, Recording &recording, QSqlError &error)
{
    // Prepared once per connection: a download reads back every recording it stores.
    QSqlQuery &q = m_readBack;
    if (m_readBackConnection != m_connection) {
        q = QSqlQuery(Impl::db(m_connection));
        q.prepare(QStringLiteral("SELECT ") + RecordingRow::columns(true) +
                  QStringLiteral(" FROM recordings r JOIN instruments i ON i.id = r.instrument_id"
                                 " WHERE r.id = ?"));
        m_readBackConnection = m_connection;
    }
    q.addBindValue(id);
    if (!q.exec()) {
        error = q.lastError();
        return false;
    }
    const bool found = q.next();
    if (found)
        recording = RecordingRow::read(q, true);
    q.finish();
    return found;
}

bool RecordingLibrary::recordStored(AuditTrail &trail, qint64 id, QSqlError &error)
{
    // The entry holds what the row reads back, as every later check reads it.
    Recording stored;
    if (!readForAudit(id, stored, error)) {
        if (!error.isValid())
            error = QSqlError(tr("The stored recording %1 cannot be read back.").arg(id), QString(),
                              QSqlError::UnknownError);
        return false;
    }
    AuditEntry entry;
    entry.action = QLatin1String(AuditEntry::RecordingStored);
    entry.subject = tr("recording %1").arg(id);
    entry.recordingId = id;
    entry.setDetails(auditState(stored));
    if (trail.append(entry))
        return true;
    error = trail.lastError();
    return false;
}

QJsonObject RecordingLibrary::auditState(const Recording &r)
{
    QJsonArray texts;
    for (const QString &t : r.reportTexts())
        texts.append(t);
    return {{QStringLiteral("id"), r.id},
            {QStringLiteral("serial"), r.serial},
            {QStringLiteral("group"), r.group},
            {QStringLiteral("sha256"), r.sha256},
            {QStringLiteral("digest"), r.contentDigest()},
            {QStringLiteral("texts"), texts}};
}

bool RecordingLibrary::recordMigration(int fromVersion, QSqlError &error)
{
    QSqlDatabase db = Impl::db(m_connection);
    AuditTrail trail(db);
    AuditEntry entry;
    entry.subject = m_location.display();
    QJsonObject details{{QStringLiteral("from_schema"), fromVersion},
                        {QStringLiteral("schema"), SchemaVersion}};
    if (fromVersion == 0) {
        entry.action = QLatin1String(AuditEntry::LibraryCreated);
    } else if (fromVersion < 4) {
        entry.action = QLatin1String(AuditEntry::LibraryAudited);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT ") + RecordingRow::columns(true) +
                    QStringLiteral(" FROM recordings r JOIN instruments i ON i.id = "
                                   "r.instrument_id ORDER BY r.id"))) {
            error = q.lastError();
            return false;
        }
        QJsonArray held;
        while (q.next())
            held.append(auditState(RecordingRow::read(q, true)));
        details.insert(QStringLiteral("recordings"), held);
    } else {
        entry.action = QLatin1String(AuditEntry::LibraryMigrated);
    }
    entry.setDetails(details);
    if (trail.append(entry))
        return true;
    error = trail.lastError();
    return false;
}

bool RecordingLibrary::audited(const QString &failure,
                               const std::function<bool(AuditTrail &, QSqlError &)> &change)
{
    m_error.clear();
    if (!isOpen())
        return fail(tr("No library is open."));
    QSqlDatabase db = Impl::db(m_connection);
    QSqlError error;
    if (!beginWrite(error))
        return fail(writeError(error));
    AuditTrail trail(db);
    const bool changed = change(trail, error);
    if (changed && db.commit())
        return true;
    if (changed)
        error = db.lastError();
    db.rollback();
    if (!error.isValid())
        return false; // nothing to change; m_error tells why, where there is a why
    return fail(isBusy(error) ? writeError(error)
                              : failure.arg(error.databaseText().trimmed().isEmpty()
                                                ? error.text()
                                                : error.databaseText().trimmed()));
}

bool RecordingLibrary::setRemoved(qint64 id, bool removed, const QString &reason)
{
    const QString why = reason.trimmed();
    if (why.isEmpty())
        return fail(removed ? tr("A recording is removed only with a reason.")
                            : tr("A recording is restored only with a reason."));
    return audited(removed ? tr("The entry cannot be removed: %1")
                           : tr("The entry cannot be restored: %1"),
                   [&](AuditTrail &trail, QSqlError &error) {
                       Recording r;
                       if (!readForAudit(id, r, error))
                           return false;
                       if (r.removed == removed) {
                           m_error = removed ? tr("Recording %1 is removed already.").arg(id)
                                             : tr("Recording %1 is not removed.").arg(id);
                           return false;
                       }
                       QSqlQuery q(Impl::db(m_connection));
                       q.prepare(QStringLiteral("UPDATE recordings SET removed = ? WHERE id = ?"));
                       q.addBindValue(removed ? 1 : 0);
                       q.addBindValue(id);
                       if (!q.exec()) {
                           error = q.lastError();
                           return false;
                       }
                       AuditEntry entry;
                       entry.action = QLatin1String(removed ? AuditEntry::RecordingRemoved
                                                            : AuditEntry::RecordingRestored);
                       entry.subject = tr("recording %1").arg(id);
                       entry.recordingId = id;
                       entry.setDetails(
                           {{QStringLiteral("reason"), why}, {QStringLiteral("sha256"), r.sha256}});
                       if (trail.append(entry))
                           return true;
                       error = trail.lastError();
                       return false;
                   });
}

bool RecordingLibrary::remove(qint64 id, const QString &reason)
{
    return setRemoved(id, true, reason);
}

bool RecordingLibrary::restore(qint64 id, const QString &reason)
{
    return setRemoved(id, false, reason);
}

bool RecordingLibrary::setReportTexts(qint64 id, const QString &testLight, const QString &company,
                                      const QString &tester, const QString &auditor)
{
    const QStringList texts{testLight, company, tester, auditor};
    bool unchanged = false;
    const bool kept = audited(tr("The report texts cannot be kept: %1"), [&](AuditTrail &trail,
                                                                             QSqlError &error) {
        Recording r;
        if (!readForAudit(id, r, error))
            return false;
        QStringList now;
        for (const QString &t : texts)
            now << (t.isNull() ? QStringLiteral("") : t);
        if (r.reportTexts() == now) {
            unchanged = true;
            return false;
        }
        QSqlQuery q(Impl::db(m_connection));
        q.prepare(QStringLiteral("UPDATE recordings SET test_light = ?, company = ?, tester = ?,"
                                 " auditor = ?, search = ? WHERE id = ?"));
        for (const QString &t : now)
            q.addBindValue(t);
        q.addBindValue(recordingSearch(now));
        q.addBindValue(id);
        if (!q.exec()) {
            error = q.lastError();
            return false;
        }
        QJsonArray before;
        QJsonArray after;
        for (int i = 0; i < 4; ++i) {
            before.append(r.reportTexts().at(i));
            after.append(now.at(i));
        }
        AuditEntry entry;
        entry.action = QLatin1String(AuditEntry::TextsChanged);
        entry.subject = tr("recording %1").arg(id);
        entry.recordingId = id;
        entry.setDetails({{QStringLiteral("old"), before}, {QStringLiteral("new"), after}});
        if (trail.append(entry))
            return true;
        error = trail.lastError();
        return false;
    });
    return kept || unchanged;
}

bool RecordingLibrary::record(const QString &action, const QString &subject,
                              const QJsonObject &details, qint64 recordingId)
{
    return audited(tr("The audit trail cannot be written: %1"),
                   [&](AuditTrail &trail, QSqlError &error) {
                       AuditEntry entry;
                       entry.action = action;
                       entry.subject = subject;
                       entry.recordingId = recordingId;
                       entry.setDetails(details);
                       if (trail.append(entry))
                           return true;
                       error = trail.lastError();
                       return false;
                   });
}

bool RecordingLibrary::recordFile(const QString &fileName, const QString &format,
                                  const QList<qint64> &recordingIds)
{
    QFile file(fileName);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return fail(tr("The file %1 cannot be read for the audit trail.")
                        .arg(QDir::toNativeSeparators(fileName)));
    QJsonArray ids;
    for (qint64 id : recordingIds)
        ids.append(id);
    return record(QLatin1String(AuditEntry::FileWritten), QDir::toNativeSeparators(fileName),
                  {{QStringLiteral("format"), format},
                   {QStringLiteral("file_sha256"), QString::fromLatin1(hash.result().toHex())},
                   {QStringLiteral("size"), file.size()},
                   {QStringLiteral("recordings"), ids}},
                  recordingIds.size() == 1 ? recordingIds.first() : 0);
}

bool RecordingLibrary::sign(qint64 id, ReportSignature &signature)
{
    if (signature.name.trimmed().isEmpty())
        return fail(tr("A signature needs the signer's name."));
    return audited(
        tr("The signature cannot be kept: %1"), [&](AuditTrail &trail, QSqlError &error) {
            Recording r;
            if (!readForAudit(id, r, error))
                return false;
            if (r.removed) {
                m_error = tr("Recording %1 is removed; restore it before signing.").arg(id);
                return false;
            }
            // What is signed is what the library holds now, not what a window showed before.
            signature.name = signature.name.trimmed();
            signature.sha256 = r.sha256;
            signature.digest = r.contentDigest();
            signature.texts = r.reportTexts();
            AuditEntry entry;
            entry.action = QLatin1String(AuditEntry::SignatureGiven);
            entry.subject = tr("recording %1").arg(id);
            entry.recordingId = id;
            entry.setDetails(signature.details());
            if (!trail.append(entry)) {
                error = trail.lastError();
                return false;
            }
            signature.entry = entry.seq;
            signature.user = entry.user;
            signature.station = entry.station;
            signature.at = entry.time();
            return true;
        });
}

QList<ReportSignature> RecordingLibrary::signatures(const Recording &recording)
{
    QList<ReportSignature> out;
    AuditTrail::Filter filter;
    filter.recordingId = recording.id;
    filter.action = QLatin1String(AuditEntry::SignatureGiven);
    for (const AuditEntry &entry : trail(filter)) {
        ReportSignature signature;
        if (ReportSignature::fromEntry(entry, signature)) {
            signature.checkAgainst(recording);
            out << signature;
        }
    }
    return out;
}

QList<AuditEntry> RecordingLibrary::trail(const AuditTrail::Filter &filter)
{
    if (!isOpen())
        return {};
    AuditTrail trail(Impl::db(m_connection));
    QList<AuditEntry> entries = trail.read(filter);
    if (trail.lastError().isValid())
        m_error = trail.lastError().text();
    return entries;
}

LibraryVerifier::Result RecordingLibrary::verify(const QString &knownHead,
                                                 const std::function<void(qint64)> &progress)
{
    if (!isOpen()) {
        LibraryVerifier::Result result;
        result.found = LibraryVerifier::Break::Unreadable;
        result.problem = tr("No library is open.");
        return result;
    }
    // One snapshot: what other stations write meanwhile is neither half seen nor a break.
    QSqlDatabase db = Impl::db(m_connection);
    const bool snapshot =
        db.transaction() && (m_location.engine == LibraryLocation::Engine::Sqlite ||
                             QSqlQuery(db).exec(QStringLiteral(
                                 "SET TRANSACTION ISOLATION LEVEL REPEATABLE READ READ ONLY")));
    const LibraryVerifier::Result result = LibraryVerifier::run(db, knownHead, progress);
    if (snapshot)
        db.rollback();
    return result;
}

QStringList RecordingLibrary::serials()
{
    QStringList out;
    if (!isOpen())
        return out;
    QSqlQuery q(Impl::db(m_connection));
    if (!q.exec(QStringLiteral("SELECT DISTINCT serial FROM instruments ORDER BY serial")))
        return out;
    while (q.next())
        out.append(q.value(0).toString());
    return out;
}
