#pragma once

#include "auditentry.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

// Appends to and reads a library's audit trail, inside the transaction of the write it
// records: the entry lands with the change or not at all. The write lock every writer holds
// first keeps the chain one line; the table's key refuses a second entry of a number.
class AuditTrail
{
public:
    struct Filter {
        QDate since;            // by UTC day; invalid: open
        qint64 recordingId = 0; // 0: every entry
        QString action;         // empty: every action
        int limit = -1;         // the newest `limit` entries; -1: all
        qint64 beforeSeq = 0;   // only entries older than this one (a next page); 0: open
    };

    explicit AuditTrail(const QSqlDatabase &db) : m_db(db) {}

    // Stamps the entry (time, station, user, program), chains it to the head and stores it.
    bool append(AuditEntry &entry);
    QSqlError lastError() const { return m_error; }

    // Oldest first.
    QList<AuditEntry> read(const Filter &filter);
    // The newest entry's hash, or the genesis hash of an empty trail.
    bool head(qint64 &seq, QString &hash);

    // The columns fromRow() reads, in its order.
    static QString columns();
    static AuditEntry fromRow(const QSqlQuery &query);

    // What makes the trail append-only, on each engine.
    static QStringList createStatements(bool sqlite);

private:
    QSqlDatabase m_db;
    QSqlQuery m_insert; // prepared at the first append
    bool m_prepared = false;
    QSqlError m_error;
    bool m_headKnown = false; // within one transaction the head is read once
    qint64 m_seq = 0;
    QString m_hash;
};
