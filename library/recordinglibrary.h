#pragma once

#include "audittrail.h"
#include "librarylocation.h"
#include "libraryverifier.h"
#include "recording.h"
#include "reportsignature.h"
#include <QCoreApplication>

#include <QDate>
#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <functional>

class QSqlError;

// The library of every recording and meter group downloaded: one schema on SQLite (a file
// of the user's) or PostgreSQL (a lab's shared server). Every write is one transaction; a
// library that cannot be opened is never created anew over what is there. Every change is
// an entry of the library's audit trail, written in the change's own transaction.
class RecordingLibrary
{
    Q_DECLARE_TR_FUNCTIONS(RecordingLibrary)

public:
    static constexpr int SchemaVersion = 4;
    // Another program writing the same library: how long a write waits before "busy".
    static constexpr int BusyTimeoutMs = 5000;
    static constexpr int ConnectTimeoutS = 5;
    // PostgreSQL: the longest any one statement may run. The longest real ones (a full
    // download's recording over a slow link, a text search through a million recordings) take
    // a few seconds; past this the server is stuck or overloaded, and the user is told.
    static constexpr int StatementTimeoutMs = 30000;

    struct StoreResult {
        bool ok = false;
        int added = 0;
        int already = 0;   // the same entry was stored before
        QList<qint64> ids; // per entry given, its id (new or old); 0 where it failed
        QList<bool> isNew; // per entry given: stored by this call
        QString error;
    };

    struct Filter {
        QString serial; // empty: every instrument
        QDate since;    // by start time (logger) or download day (meter); invalid: open
        QDate until;
        QString text;             // in serial, model, start time and the report texts
        bool withSamples = false; // list(): also the samples and frames (the windows need none)
        enum class Removed { Hidden, Only, All } removed = Removed::Hidden;
    };

    RecordingLibrary();
    ~RecordingLibrary();
    RecordingLibrary(const RecordingLibrary &) = delete;
    RecordingLibrary &operator=(const RecordingLibrary &) = delete;

    // Opens (and, when new, creates) the library; brings an older schema up to date. False
    // with a message naming the place when it cannot be used as it is. A PostgreSQL server
    // that wants a password gets `password`, else what libpq finds itself (~/.pgpass, a
    // service file), else the one in the desktop keyring.
    bool open(const QString &location, const QString &password = QString());
    void close();
    bool isOpen() const;
    const LibraryLocation &location() const { return m_location; }
    QString lastError() const { return m_error; }
    // The last open failed because the server wants a password, or another one.
    bool passwordRefused() const { return m_passwordRefused; }

    // Stores every entry not stored before, in one transaction: all or nothing.
    StoreResult store(const QList<Recording> &recordings);

    int count(const Filter &filter);
    // Newest first.
    QList<Recording> list(const Filter &filter, int offset, int limit);
    // False when there is no such entry (lastError() empty) or the read failed.
    bool get(qint64 id, Recording &recording);
    // Hides the entry from lists, overlays, trends and exports, keeping it and its trail;
    // restore() brings it back. Both want a reason, which the trail keeps.
    bool remove(qint64 id, const QString &reason);
    bool restore(qint64 id, const QString &reason);
    // True also when the texts are those kept already (then nothing is written).
    bool setReportTexts(qint64 id, const QString &testLight, const QString &company,
                        const QString &tester, const QString &auditor);

    // An entry of the trail on its own: a process window edited, a report printed.
    bool record(const QString &action, const QString &subject, const QJsonObject &details,
                qint64 recordingId = 0);
    // A file written from the library: its name, format and SHA-256.
    bool recordFile(const QString &fileName, const QString &format,
                    const QList<qint64> &recordingIds);
    // Binds the signature to what the entry holds now; fills in its hashes, texts and entry.
    bool sign(qint64 id, ReportSignature &signature);
    // The recording's signatures, oldest first, each checked against `recording`.
    QList<ReportSignature> signatures(const Recording &recording);
    QList<AuditEntry> trail(const AuditTrail::Filter &filter);
    LibraryVerifier::Result verify(const QString &knownHead = {},
                                   const std::function<void(qint64)> &progress = {});
    // The serial numbers of every instrument in the library.
    QStringList serials();

private:
    struct Impl;
    bool fail(const QString &message);
    bool openSqlite();
    bool openPostgres(const QString &password);
    bool migrate();
    // Migration 2: the dose of every logger recording stored before it.
    bool fillDoses(QSqlError &error);
    // Migration 3: the case-folded search texts of everything stored before it.
    bool fillSearch(QSqlError &error);
    // The options of a PostgreSQL connection: time-outs, keepalives and the address's own.
    QStringList connectOptions() const;
    // The failed connection was refused for its password, or for want of one.
    bool passwordWanted(const QSqlError &error, const QString &password) const;
    bool readVersion(int &version);
    // The trail's entry for a new library, one brought under audit, or a later migration.
    bool recordMigration(int fromVersion, QSqlError &error);
    // What a "stored" entry records of a recording, as its row reads back.
    static QJsonObject auditState(const Recording &recording);
    bool recordStored(AuditTrail &trail, qint64 id, QSqlError &error);
    // False without error when there is no such entry.
    bool readForAudit(qint64 id, Recording &recording, QSqlError &error);
    // Runs `change` in a write transaction with the trail; `failure` takes the reason.
    bool audited(const QString &failure,
                 const std::function<bool(AuditTrail &, QSqlError &)> &change);
    bool setRemoved(qint64 id, bool removed, const QString &reason);
    // Begins a write transaction holding the library's write lock, waiting at most
    // BusyTimeoutMs for another program's write to end.
    bool beginWrite(QSqlError &error);
    QString writeError(const QSqlError &error) const;

    LibraryLocation m_location;
    QString m_connection; // the QSqlDatabase connection name, empty while closed
    QString m_error;
    bool m_passwordRefused = false;
    QSqlQuery m_readBack; // readForAudit's statement, of m_readBackConnection
    QString m_readBackConnection;
};
