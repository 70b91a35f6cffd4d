#include "audittrail.h"

#include <QSqlQuery>
#include <QVariant>

namespace {

const char *const kEntryColumns = "seq, at_utc, utc_offset_s, station, os_user, program, action,"
                                  " subject, recording_id, details, prev_hash, hash";

} // namespace

QString AuditTrail::columns()
{
    return QLatin1String(kEntryColumns);
}

AuditEntry AuditTrail::fromRow(const QSqlQuery &q)
{
    AuditEntry e;
    e.seq = q.value(0).toLongLong();
    e.at = q.value(1).toString();
    e.utcOffsetSeconds = q.value(2).toInt();
    e.station = q.value(3).toString();
    e.user = q.value(4).toString();
    e.program = q.value(5).toString();
    e.action = q.value(6).toString();
    e.subject = q.value(7).toString();
    e.recordingId = q.value(8).toLongLong();
    e.details = q.value(9).toString();
    e.previousHash = q.value(10).toString();
    e.hash = q.value(11).toString();
    return e;
}

QStringList AuditTrail::createStatements(bool sqlite)
{
    QStringList statements{
        QStringLiteral("CREATE TABLE audit_trail ("
                       " seq BIGINT NOT NULL PRIMARY KEY,"
                       " at_utc TEXT NOT NULL,"
                       " utc_offset_s INTEGER NOT NULL,"
                       " station TEXT NOT NULL,"
                       " os_user TEXT NOT NULL,"
                       " program TEXT NOT NULL,"
                       " action TEXT NOT NULL,"
                       " subject TEXT NOT NULL,"
                       " recording_id BIGINT,"
                       " details TEXT NOT NULL,"
                       " prev_hash TEXT NOT NULL,"
                       " hash TEXT NOT NULL UNIQUE)"),
        QStringLiteral("CREATE INDEX audit_trail_recording ON audit_trail (recording_id)")};
    if (sqlite) {
        for (const char *what : {"UPDATE", "DELETE"})
            statements << QStringLiteral("CREATE TRIGGER audit_trail_no_%1 BEFORE %2 ON audit_trail"
                                         " BEGIN SELECT RAISE(ABORT, 'the audit trail is "
                                         "append-only'); END")
                              .arg(QString::fromLatin1(what).toLower(), QLatin1String(what));
    } else {
        statements << QStringLiteral(
                          "CREATE FUNCTION audit_trail_refuse() RETURNS trigger LANGUAGE plpgsql"
                          " AS $$ BEGIN RAISE EXCEPTION 'the audit trail is append-only'; END $$")
                   << QStringLiteral("CREATE TRIGGER audit_trail_append_only BEFORE UPDATE OR "
                                     "DELETE ON audit_trail FOR EACH ROW EXECUTE FUNCTION "
                                     "audit_trail_refuse()")
                   << QStringLiteral("CREATE TRIGGER audit_trail_no_truncate BEFORE TRUNCATE ON "
                                     "audit_trail FOR EACH STATEMENT EXECUTE FUNCTION "
                                     "audit_trail_refuse()");
    }
    return statements;
}

bool AuditTrail::head(qint64 &seq, QString &hash)
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT seq, hash FROM audit_trail ORDER BY seq DESC LIMIT 1"))) {
        m_error = q.lastError();
        return false;
    }
    seq = q.next() ? q.value(0).toLongLong() : 0;
    hash = seq > 0 ? q.value(1).toString() : AuditEntry::genesisHash();
    return true;
}

bool AuditTrail::append(AuditEntry &entry)
{
    if (!m_headKnown && !head(m_seq, m_hash))
        return false;
    m_headKnown = true;
    entry.stamp();
    // Text columns hold a value, never SQL NULL.
    for (QString *field : {&entry.station, &entry.user, &entry.program, &entry.action,
                           &entry.subject, &entry.details})
        if (field->isNull())
            *field = QStringLiteral("");
    entry.seq = m_seq + 1;
    entry.previousHash = m_hash;
    entry.hash = entry.computedHash();
    if (!m_prepared) {
        m_insert = QSqlQuery(m_db);
        if (!m_insert.prepare(QStringLiteral("INSERT INTO audit_trail (%1) VALUES (?, ?, ?, ?, ?, "
                                             "?, ?, ?, ?, ?, ?, ?)")
                                  .arg(QLatin1String(kEntryColumns)))) {
            m_error = m_insert.lastError();
            return false;
        }
        m_prepared = true;
    }
    QSqlQuery &q = m_insert;
    const QVariantList values{entry.seq,
                              entry.at,
                              entry.utcOffsetSeconds,
                              entry.station,
                              entry.user,
                              entry.program,
                              entry.action,
                              entry.subject,
                              entry.recordingId > 0 ? QVariant(entry.recordingId)
                                                    : QVariant(QMetaType::fromType<qint64>()),
                              entry.details,
                              entry.previousHash,
                              entry.hash};
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        m_error = q.lastError();
        m_headKnown = false;
        return false;
    }
    m_seq = entry.seq;
    m_hash = entry.hash;
    return true;
}

QList<AuditEntry> AuditTrail::read(const Filter &filter)
{
    QList<AuditEntry> out;
    QStringList where;
    QVariantList binds;
    if (filter.since.isValid()) {
        where << QStringLiteral("at_utc >= ?");
        binds << filter.since.toString(Qt::ISODate);
    }
    if (filter.recordingId > 0) {
        where << QStringLiteral("recording_id = ?");
        binds << filter.recordingId;
    }
    if (!filter.action.isEmpty()) {
        where << QStringLiteral("action = ?");
        binds << filter.action;
    }
    if (filter.beforeSeq > 0) {
        where << QStringLiteral("seq < ?");
        binds << filter.beforeSeq;
    }
    QString sql = QStringLiteral("SELECT %1 FROM audit_trail").arg(QLatin1String(kEntryColumns));
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY seq DESC");
    if (filter.limit >= 0) {
        sql += QStringLiteral(" LIMIT ?");
        binds << filter.limit;
    }
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant &b : binds)
        q.addBindValue(b);
    if (!q.exec()) {
        m_error = q.lastError();
        return out;
    }
    while (q.next()) {
        out.prepend(fromRow(q));
    }
    return out;
}
